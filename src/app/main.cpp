// SPDX-License-Identifier: MIT
#include <cstdio>
#include <string>
#include <vector>

#include "app/CBorealixApp.h"
#include "app/CommandLineInfo.h"
#include "app/ProductViews.h"
#include "app/QuitOnTerminate.h"
#include "platform/ProductIdentity.h"
#include "platform/route/MachineSelection.h"
#include "platform/trust/PrivateTempFolder.h"

int main(int argc, char** argv) {
    // The machine decides the runtime directory, so it comes before anything
    // that looks there (the single-instance lock, the driver).
    const CommandLineInfo commandLine =
        ParseCommandLine(std::vector<std::string>(argv, argv + argc));
    if (!commandLine.error.empty()) {
        std::fprintf(stderr,
                     "tarvolent: %s\nusage: tarvolent [--machine FILE|builtin] | --version\n",
                     commandLine.error.c_str());
        return 2;
    }
    // Asked for the version, the program touches nothing: no window, no
    // other instance woken, no driver.
    if (commandLine.version) {
        std::printf("tarvolent %s\n", kProductVersion);
        return 0;
    }
    private_temp::RemoveLeftovers();
    if (commandLine.machine) {
        std::string error;
        if (!SelectMachine(*commandLine.machine, &error)) {
            std::fprintf(stderr, "tarvolent: %s\n", error.c_str());
            return 2;
        }
    }
    CBorealixApp app(argc, argv, ProductViews());
    QuitOnTerminate quitOnTerminate;
    return app.Run();
}
