#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "driver/BackendFactory.h"
#include "driver/Detach.h"
#include "driver/DriverOptions.h"
#include "driver/DriverServer.h"
#include "driver/DriverSocket.h"
#include "driver/FrameServer.h"
#include "driver/IdleStop.h"
#include "driver/RequestHandler.h"
#include "driver/StopOnTerminate.h"
#include "platform/DaemonLauncher.h"
#include "platform/FileLock.h"
#include "platform/RuntimeDirectory.h"
#include "platform/TrustRefusals.h"

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

}  // namespace

// Everything that can go wrong at start-up is reported before detaching, so
// the starter sees the message and a non-zero exit.
int main(int argc, char** argv) {
    DriverOptions options;
    std::string error;
    if (!DriverOptions::Parse(argc, argv, &options, &error)) return Fail(error);
    std::string problem = RuntimeDirectoryProblem();
    if (!problem.empty()) return Fail(problem);

    const char* machine = std::getenv("BOREALIX_MACHINE");
    std::optional<std::chrono::seconds> idlePeriod;
    if (!IdleStop::PeriodFor(machine, std::getenv("BOREALIX_IDLE_SECONDS"), &idlePeriod, &error)) {
        return Fail(error);
    }
    const std::string socketPath = RuntimeDirectory() + "/" + options.socketName;
    FileLock running;
    if (int status = TakeDriverLock(running, socketPath)) return status;

    std::vector<std::string> warnings;
    auto backend = CreateBackend(machine, &error, &warnings);
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "warning: %s\n", warning.c_str());
    if (!backend) return Fail(error);

    DriverSocket socket;
    HoldTermination();
    if (!socket.Bind(socketPath, SocketAccess{}, &error)) return Fail(error);
    InstallSignalHandling(socket.Path());
    if (!options.foreground && !Detach(&error)) {
        socket.Unlink();
        return Fail(error);
    }

    std::optional<IdleStop> idle;
    if (idlePeriod) idle.emplace(*idlePeriod, socketPath + ".clients");
    RequestHandler handler(*backend);
    FrameServer frames(handler);
    DriverServer(socket, frames, idle ? &*idle : nullptr).Run();
    socket.Unlink();
    // The driver lock goes before the clients lock an idle stop holds: a
    // program waiting on that one then finds the way clear for a new driver.
    running.Release();
    return 0;
}
