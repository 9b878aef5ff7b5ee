// SPDX-License-Identifier: MIT
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/BackendFactory.h"
#include "driver/Detach.h"
#include "driver/DriverOptions.h"
#include "driver/DriverServer.h"
#include "driver/DriverSocket.h"
#include "driver/IdleStop.h"
#include "driver/InheritedSocket.h"
#include "driver/RequestHandler.h"
#include "driver/StopOnTerminate.h"
#include "driver/SystemDirectory.h"
#include "platform/DaemonLauncher.h"
#include "platform/ProductIdentity.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/FileLock.h"
#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/SystemDriver.h"
#include "platform/trust/TrustRefusals.h"
#include "protocol/DriverNames.h"

namespace {

int Fail(const std::string& message, int status = 1) {
    std::fprintf(stderr, "BOREX64.SYS: %s\n", message.c_str());
    return status;
}

// Held for the driver's whole life: a second driver for the same socket
// finds it taken and leaves the first one alone.
int TakeDriverLock(FileLock& lock, const std::string& socketPath) {
    switch (lock.Acquire(socketPath + ".lock", FileLock::Mode::Exclusive)) {
        case FileLock::Result::Locked:
            return 0;
        case FileLock::Result::Busy:
            return Fail(socketPath + ": a driver already runs there", kDaemonAlreadyRunningStatus);
        case FileLock::Result::Refused:
            return Fail(NotedRefusals());
        case FileLock::Result::Failed:
            break;
    }
    return Fail(socketPath + ".lock: cannot lock: " + std::strerror(errno));
}

std::unique_ptr<DriverBackend> LoadBackend(const char* machine, std::string* error) {
    std::vector<std::string> warnings;
    auto backend = CreateBackend(machine, error, &warnings);
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "warning: %s\n", warning.c_str());
    return backend;
}

// What a driver on this machine's hardware reads is not left for a core
// dump, nor for another process of its user to read out of its memory.
void NeverDump() {
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

int Serve(DriverBackend& backend, DriverSocket& socket, IdleStop* idle, FileLock& running) {
    RequestHandler handler(backend);
    DriverServer(socket, handler, idle).Run();
    socket.Unlink();
    // The driver lock goes before the clients lock an idle stop holds: a
    // program waiting on that one then finds the way clear for a new driver.
    running.Release();
    return 0;
}

int DetachUnlessForeground(const DriverOptions& options, DriverSocket& socket) {
    std::string error;
    if (options.foreground || Detach(&error)) return 0;
    socket.Unlink();
    return Fail(error);
}

// A driver of this user's, in the runtime directory: on a simulated machine,
// or root's on this machine's hardware. Both stop when idle, and the next
// program to start starts them again.
int RunUserDriver(const DriverOptions& options) {
    std::string error;
    std::string problem = RuntimeDirectoryProblem();
    if (!problem.empty()) return Fail(problem);

    const char* machine = std::getenv(kMachineVariable);
    if (!machine || !*machine) NeverDump();
    std::chrono::seconds idlePeriod{};
    if (!IdleStop::PeriodFor(std::getenv("BOREALIX_IDLE_SECONDS"), &idlePeriod, &error)) {
        return Fail(error);
    }
    const std::string socketPath = RuntimeDirectory() + "/" + options.socketName;
    FileLock running;
    if (int status = TakeDriverLock(running, socketPath)) return status;
    auto backend = LoadBackend(machine, &error);
    if (!backend) return Fail(error);

    DriverSocket socket;
    HoldTermination();
    if (!socket.Bind(socketPath, SocketAccess{}, &error)) return Fail(error);
    InstallSignalHandling(socket.Path());
    if (int status = DetachUnlessForeground(options, socket)) return status;

    IdleStop idle(idlePeriod, socketPath + ".clients");
    return Serve(*backend, socket, &idle, running);
}

// The socket made by the driver itself, where no service manager hands one
// over: in root's own folder, mode 0660 with the group, never in place of a
// socket that some driver still serves.
int MakeSystemSocket(DriverSocket& socket, gid_t group, FileLock& running) {
    const std::string directory = system_driver::Directory();
    std::string problem = PrepareSystemDirectory(directory);
    if (!problem.empty()) return Fail(RefusalMessage("system driver folder", directory, problem));
    const std::string socketPath = system_driver::SocketPath();
    if (int status = TakeDriverLock(running, socketPath)) return status;
    if (unix_socket::Answers(socketPath)) {
        return Fail(socketPath + ": a driver already listens there", kDaemonAlreadyRunningStatus);
    }
    std::string error;
    if (!socket.Bind(socketPath, SocketAccess{0660, group}, &error)) return Fail(error);
    return 0;
}

// The service "Borealix" of the machine: root, on this machine's hardware,
// for root and the members of its group. It stops when idle only where
// systemd handed it its socket, which starts it again on the next
// connection; started by hand it is meant to stay.
int RunSystemDriver(const DriverOptions& options) {
    const char* machine = std::getenv(kMachineVariable);
    if (machine && *machine) {
        return Fail(
            "--system serves this machine's hardware, not a simulated machine "
            "(BOREALIX_MACHINE is set)");
    }
    if (geteuid() != 0) return Fail("--system must run as root");
    NeverDump();
    std::string error;
    gid_t group = 0;
    if (!system_driver::ResolveGroup(&group, &error)) return Fail(error);
    std::chrono::seconds idlePeriod{};
    if (!IdleStop::PeriodFor(std::getenv("BOREALIX_IDLE_SECONDS"), &idlePeriod, &error)) {
        return Fail(error);
    }
    auto backend = LoadBackend(nullptr, &error);
    if (!backend) return Fail(error);

    DriverSocket socket;
    FileLock running;
    HoldTermination();
    int inherited = -1;
    switch (inherited_socket::Take(&inherited, &error)) {
        case inherited_socket::Outcome::Unusable:
            return Fail(error);
        case inherited_socket::Outcome::Taken:
            // systemd runs one instance and keeps the socket: no lock, and
            // nothing written under its read-only /run.
            socket.Adopt(inherited, group);
            break;
        case inherited_socket::Outcome::None:
            if (int status = MakeSystemSocket(socket, group, running)) return status;
            break;
    }
    InstallSignalHandling(socket.Path());
    if (inherited >= 0) {
        // A service manager waits on the process it started: never detached.
        // Programs take no lock in its folder: only the time counts.
        IdleStop idle(idlePeriod, "");
        return Serve(*backend, socket, &idle, running);
    }
    if (int status = DetachUnlessForeground(options, socket)) return status;
    return Serve(*backend, socket, nullptr, running);
}

}  // namespace

// Everything that can go wrong at start-up is reported before detaching, so
// the starter sees the message and a non-zero exit.
int main(int argc, char** argv) {
    DriverOptions options;
    std::string error;
    if (!DriverOptions::Parse(argc, argv, &options, &error)) return Fail(error);
    if (options.version) {
        std::printf("BOREX64.SYS %s\n", kProductVersion);
        return 0;
    }
    return options.system ? RunSystemDriver(options) : RunUserDriver(options);
}
