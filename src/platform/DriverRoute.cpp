#include "platform/DriverRoute.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/DeviceWire.h"
#include "platform/ErrorCodes.h"
#include "platform/RuntimeDirectory.h"
#include "platform/SystemDriver.h"
#include "platform/TrustedPath.h"
#include "platform/UnixSocket.h"

namespace driver_route {

namespace {

constexpr uint32_t kListFunctionsCode = 0x80862E28u;
// Long enough for systemd to start the driver on this first connection.
constexpr int kProbeTimeoutSeconds = 10;

struct Decision {
    std::string key;
    SystemReach reach;
    std::string problem;
};

std::mutex mutex;
std::optional<Decision> decided;

std::string MachineVariable() {
    const char* machine = std::getenv("BOREALIX_MACHINE");
    return machine ? machine : "";
}

Decision Decided() {
    const std::string key = MachineVariable() + '\n' + system_driver::SocketPath();
    std::lock_guard<std::mutex> guard(mutex);
    if (!decided || decided->key != key) {
        std::string problem;
        SystemReach reach = ProbeSystemDriver(&problem);
        decided = Decision{key, reach, problem};
    }
    return *decided;
}

// Only root could have made the socket and the folders above it.
std::string SocketProblem(const struct stat& socket) {
    if (!S_ISSOCK(socket.st_mode)) return "it is not a socket";
    if (socket.st_uid != 0)
        return "it belongs to user " + std::to_string(socket.st_uid) + ", not to root";
    const std::string directory = system_driver::Directory();
    std::string problem = trusted_path::DirectoryProblemOf(directory, 0);
    return problem.empty() ? problem
                           : "its folder " + directory + " may not be trusted: " + problem;
}

}  // namespace

SystemReach ProbeSystemDriver(std::string* problem) {
    const std::string socketPath = system_driver::SocketPath();
    struct stat socket {};
    if (lstat(socketPath.c_str(), &socket) != 0)
        return errno == EACCES ? SystemReach::Refused : SystemReach::Absent;
    std::string untrusted = SocketProblem(socket);
    if (!untrusted.empty()) {
        if (problem) *problem = RefusalMessage("system driver socket", socketPath, untrusted);
        return SystemReach::Untrusted;
    }
    int fd = unix_socket::Connect(socketPath);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? SystemReach::Refused : SystemReach::Absent;
    unix_socket::SetTimeouts(fd, kProbeTimeoutSeconds);
    uint8_t record[wire::kRecordSize] = {};
    wire::RequestHeader request{wire::kRequestMagic, kListFunctionsCode, sizeof(record),
                                sizeof(record), 0};
    wire::ReplyHeader reply{};
    // A driver that refuses a peer closes before reading a byte of it.
    bool answered = unix_socket::SendAll(fd, &request, sizeof(request)) &&
                    unix_socket::SendAll(fd, record, sizeof(record)) &&
                    unix_socket::ReceiveAll(fd, &reply, sizeof(reply)) &&
                    reply.magic == wire::kReplyMagic && reply.status == ERROR_SUCCESS;
    close(fd);
    return answered ? SystemReach::Admitted : SystemReach::Refused;
}

bool OnSimulatedMachine() {
    return !MachineVariable().empty();
}

bool UsesSystemDriver() {
    return !OnSimulatedMachine() && Decided().reach == SystemReach::Admitted;
}

std::string DeviceSocketPath(const std::string& name) {
    if (name == system_driver::kServiceName && UsesSystemDriver())
        return system_driver::SocketPath();
    return RuntimeDirectory() + "/" + name;
}

std::string OwnDriverProblem() {
    if (OnSimulatedMachine() || geteuid() == 0) return {};
    const std::string service = std::string("the service ") + system_driver::kServiceName + " at " +
                                system_driver::SocketPath();
    const std::string join = "join the group " + system_driver::GroupName() + " and log in again";
    const Decision decision = Decided();
    switch (decision.reach) {
        case SystemReach::Admitted:
            return {};
        case SystemReach::Absent:
            return "To use this machine's hardware without root, install " + service +
                   " (it does not run), " + join + ".";
        case SystemReach::Untrusted:
            return "To use this machine's hardware without root, install " + service + ", " + join +
                   ". " + decision.problem + ".";
        case SystemReach::Refused:
            break;
    }
    return "To use this machine's hardware without root, " + join + ": " + service +
           " does not admit this user.";
}

}  // namespace driver_route
