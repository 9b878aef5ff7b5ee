#include "platform/DriverRoute.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/DeviceWire.h"
#include "platform/ErrorCodes.h"
#include "platform/RuntimeDirectory.h"
#include "platform/SystemDriver.h"
#include "platform/UnixSocket.h"

namespace driver_route {

namespace {

constexpr uint32_t kListFunctionsCode = 0x80862E28u;
// Long enough for systemd to start the driver on this first connection.
constexpr int kProbeTimeoutSeconds = 10;

struct Decision {
    std::string key;
    SystemReach reach;
};

std::mutex mutex;
std::optional<Decision> decided;

std::string MachineVariable() {
    const char* machine = std::getenv("BOREALIX_MACHINE");
    return machine ? machine : "";
}

SystemReach DecidedReach() {
    const std::string key = MachineVariable() + '\n' + system_driver::SocketPath();
    std::lock_guard<std::mutex> guard(mutex);
    if (!decided || decided->key != key) decided = Decision{key, ProbeSystemDriver()};
    return decided->reach;
}

}  // namespace

SystemReach ProbeSystemDriver() {
    int fd = unix_socket::Connect(system_driver::SocketPath());
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
    return !OnSimulatedMachine() && DecidedReach() == SystemReach::Admitted;
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
    switch (DecidedReach()) {
        case SystemReach::Admitted:
            return {};
        case SystemReach::Absent:
            return "To use this machine's hardware without root, install " + service +
                   " (it does not run), " + join + ".";
        case SystemReach::Refused:
            break;
    }
    return "To use this machine's hardware without root, " + join + ": " + service +
           " does not admit this user.";
}

}  // namespace driver_route
