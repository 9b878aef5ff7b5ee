#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/BackendFactory.h"
#include "driver/Detach.h"
#include "driver/DriverOptions.h"
#include "driver/DriverServer.h"
#include "driver/DriverSocket.h"
#include "driver/FrameServer.h"
#include "driver/RequestHandler.h"
#include "driver/StopOnTerminate.h"
#include "platform/RuntimeDirectory.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "BOREX64.SYS: %s\n", message.c_str());
    return 1;
}

}  // namespace

// Everything that can go wrong at start-up is reported before detaching, so
// the starter sees the message and a non-zero exit.
int main(int argc, char** argv) {
    DriverOptions options;
    std::string error;
    if (!DriverOptions::Parse(argc, argv, &options, &error)) return Fail(error);

    std::vector<std::string> warnings;
    auto backend = CreateBackend(std::getenv("BOREALIX_MACHINE"), &error, &warnings);
    for (const std::string& warning : warnings)
        std::fprintf(stderr, "warning: %s\n", warning.c_str());
    if (!backend) return Fail(error);

    DriverSocket socket;
    HoldTermination();
    if (!socket.Bind(RuntimeDirectory() + "/" + options.socketName, &error)) return Fail(error);
    InstallSignalHandling(socket.Path());
    if (!options.foreground && !Detach(&error)) {
        socket.Unlink();
        return Fail(error);
    }

    RequestHandler handler(*backend);
    FrameServer frames(handler);
    DriverServer(socket, frames).Run();
    socket.Unlink();
    return 0;
}
