#include "support/ForegroundDriver.h"

#include <signal.h>
#include <unistd.h>

#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/DeviceWire.h"

std::string ForegroundDriver::Program() {
    return std::string(TARVOLENT_BIN_DIR) + "/BOREX64.SYS";
}

ForegroundDriver::ForegroundDriver(const std::string& machine, const std::string& socketName)
    : socketName_(socketName) {
    std::vector<std::pair<std::string, std::string>> environment;
    if (!machine.empty()) environment.emplace_back("BOREALIX_MACHINE", machine);
    // An empty machine means the linux backend: the child must not inherit one.
    std::string saved = getenv("BOREALIX_MACHINE") ? getenv("BOREALIX_MACHINE") : "";
    if (machine.empty()) unsetenv("BOREALIX_MACHINE");
    process_ = std::make_unique<AppProcess>(
        Program(), std::vector<std::string>{"--foreground", "--socket", socketName}, environment);
    if (machine.empty() && !saved.empty()) setenv("BOREALIX_MACHINE", saved.c_str(), 1);
    ready_ =
        WaitUntil([this] { return unix_socket::Answers(SocketPath()) || !process_->Running(); },
                  std::chrono::seconds(10)) &&
        process_->Running();
}

ForegroundDriver::~ForegroundDriver() {
    Stop();
}

std::string ForegroundDriver::SocketPath() const {
    return RuntimeDirectory() + "/" + socketName_;
}

std::optional<int> ForegroundDriver::Stop() {
    if (process_->Running()) SendStopFrame(SocketPath());
    std::optional<int> status = process_->WaitForExit(std::chrono::seconds(5));
    if (!status) {
        process_->Signal(SIGTERM);
        process_->WaitForExit(std::chrono::seconds(5));
    }
    return status;
}

bool SendStopFrame(const std::string& socketPath) {
    int fd = unix_socket::Connect(socketPath);
    if (fd < 0) return false;
    unix_socket::SetTimeouts(fd, 5);
    wire::RequestHeader stop{wire::kRequestMagic, wire::kStopControlCode, 0, 0, 0};
    wire::ReplyHeader reply{};
    bool answered = unix_socket::SendAll(fd, &stop, sizeof(stop)) &&
                    unix_socket::ReceiveAll(fd, &reply, sizeof(reply)) &&
                    reply.magic == wire::kReplyMagic && reply.status == 0;
    close(fd);
    return answered;
}
