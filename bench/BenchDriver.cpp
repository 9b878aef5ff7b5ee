#include "BenchDriver.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "BenchScratch.h"
#include "platform/DeviceWire.h"
#include "platform/Polling.h"
#include "platform/UnixSocket.h"

BenchDriver::BenchDriver(const std::string& runtimeDirectory, const std::string& machine)
    : directory_(runtimeDirectory) {
    if (mkdir(directory_.c_str(), 0700) != 0 && errno != EEXIST) return;
    const std::string program = std::string(TARVOLENT_BIN_DIR) + "/BOREX64.SYS";
    child_ = fork();
    if (child_ == 0) {
        setenv("BOREALIX_RUNTIME_DIR", directory_.c_str(), 1);
        setenv("BOREALIX_MACHINE", machine.c_str(), 1);
        execl(program.c_str(), program.c_str(), "--foreground", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child_ > 0) BenchScratch::StopOnInterrupt(child_);
}

bool BenchDriver::WaitUntilReady(int timeoutSeconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (child_ > 0 && !BenchScratch::Interrupted() && std::chrono::steady_clock::now() < end) {
        if (unix_socket::Answers(directory_ + "/Borealix")) return true;
        if (waitpid(child_, nullptr, WNOHANG) == child_) {
            child_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

BenchDriver::~BenchDriver() {
    if (child_ <= 0) return;
    const int fd = unix_socket::Connect(directory_ + "/Borealix");
    if (fd >= 0) {
        wire::RequestHeader stop{wire::kRequestMagic, wire::kStopControlCode, 0, 0, 0};
        unix_socket::SetTimeouts(fd, 2);
        wire::ReplyHeader reply{};
        unix_socket::SendAll(fd, &stop, sizeof(stop)) &&
            unix_socket::ReceiveAll(fd, &reply, sizeof(reply));
        close(fd);
    }
    if (!WaitUntil([&] { return waitpid(child_, nullptr, WNOHANG) == child_; }, 5000)) {
        kill(child_, SIGTERM);
        waitpid(child_, nullptr, 0);
    }
    BenchScratch::Forget(child_);
}
