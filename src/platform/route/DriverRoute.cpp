// SPDX-License-Identifier: MIT
#include "platform/route/DriverRoute.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "platform/route/BusyRetry.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/SystemDriver.h"
#include "platform/trust/TrustedPath.h"
#include "protocol/DeviceWire.h"
#include "protocol/DriverNames.h"
#include "protocol/ErrorCodes.h"

namespace driver_route {

namespace {

using Clock = std::chrono::steady_clock;

// Long enough for systemd to start the driver on this first connection.
constexpr std::chrono::seconds kProbeTimeout{10};
// A driver that did not answer is asked again after this, not at every
// step of one start, which would wait for it again each time.
constexpr std::chrono::seconds kTimeoutKept{20};

struct Decision {
    std::string key;
    SystemReach reach;
    std::string problem;
    Clock::time_point decidedAt;
};

std::mutex mutex;
std::optional<Decision> decided;

std::string MachineVariable() {
    const char* machine = std::getenv(kMachineVariable);
    return machine ? machine : "";
}

Decision Decided() {
    const std::string key = MachineVariable() + '\n' + system_driver::SocketPath();
    std::lock_guard<std::mutex> guard(mutex);
    // Only a timeout is looked at again: the answer may come next time.
    if (!decided || decided->key != key ||
        (decided->reach == SystemReach::Timeout &&
         Clock::now() - decided->decidedAt >= kTimeoutKept)) {
        std::string problem;
        SystemReach reach = ProbeSystemDriver(&problem);
        decided = Decision{key, reach, problem, Clock::now()};
    }
    return *decided;
}

// One try at the function list; *busy when the driver turned the connection
// away, to be tried again.
SystemReach AskForList(const std::string& socketPath, Clock::time_point deadline, bool* busy) {
    *busy = false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    int fd = unix_socket::Connect(socketPath, left);
    if (fd < 0) {
        if (errno == ETIMEDOUT) return SystemReach::Timeout;
        return errno == EACCES || errno == EPERM ? SystemReach::Refused : SystemReach::Absent;
    }
    unix_socket::SetTimeouts(
        fd, static_cast<int>(std::chrono::ceil<std::chrono::seconds>(left).count()));
    uint8_t record[wire::kRecordSize] = {};
    wire::RequestHeader request{wire::kRequestMagic, IOCTL_LIST_PCI_FUNCTIONS, sizeof(record),
                                sizeof(record), 0};
    wire::ReplyHeader reply{};
    // A driver that refuses a peer closes before reading a byte of it.
    (void)(unix_socket::SendAll(fd, &request, sizeof(request)) &&
           unix_socket::SendAll(fd, record, sizeof(record)));
    const bool received = unix_socket::ReceiveAll(fd, &reply, sizeof(reply));
    const int error = errno;
    close(fd);
    if (!received)
        return error == EAGAIN || error == EWOULDBLOCK ? SystemReach::Timeout
                                                       : SystemReach::Refused;
    if (reply.magic == wire::kReplyMagic && reply.status == ERROR_BUSY) {
        *busy = true;
        return SystemReach::Timeout;
    }
    return reply.magic == wire::kReplyMagic && reply.status == ERROR_SUCCESS ? SystemReach::Admitted
                                                                             : SystemReach::Refused;
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
    const Clock::time_point deadline = Clock::now() + kProbeTimeout;
    BusyRetry retry(deadline);
    for (;;) {
        bool busy = false;
        SystemReach reach = AskForList(socketPath, deadline, &busy);
        if (!busy || !retry.Pause()) return reach;
    }
}

bool OnSimulatedMachine() {
    return !MachineVariable().empty();
}

bool UsesSystemDriver() {
    return !OnSimulatedMachine() && Decided().reach == SystemReach::Admitted;
}

std::string DeviceSocketPath(const std::string& name) {
    if (name == kDriverName && UsesSystemDriver())
        return system_driver::SocketPath();
    return RuntimeDirectory() + "/" + name;
}

std::string OwnDriverProblem() {
    if (OnSimulatedMachine() || geteuid() == 0) return {};
    const std::string service = std::string("the service ") + kDriverName + " at " +
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
        case SystemReach::Timeout:
            return "The service " + std::string(kDriverName) + " at " +
                   system_driver::SocketPath() + " did not answer within " +
                   std::to_string(kProbeTimeout.count()) + " seconds; try again.";
        case SystemReach::Refused:
            break;
    }
    return "To use this machine's hardware without root, " + join + ": " + service +
           " does not admit this user.";
}

}  // namespace driver_route
