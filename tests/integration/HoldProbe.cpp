// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/HeldConnections.h"

// When a test runs this test program again with
// TARVOLENT_HOLD_CONNECTIONS=PATH and TARVOLENT_HOLD_COUNT=N (as another
// user, through setpriv), it holds N connections to PATH before any test
// runs, opening each again as soon as the driver lets it go, prints
// "holding" once it has tried them all, and stays until killed (a minute at
// most).
namespace {

[[noreturn]] void Hold(const char* path, int count) {
    HeldConnections held(path, count, true);
    while (!held.Tried()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::puts("holding");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(60));
    _exit(0);
}

const bool kHolding = [] {
    const char* path = std::getenv("TARVOLENT_HOLD_CONNECTIONS");
    const char* count = std::getenv("TARVOLENT_HOLD_COUNT");
    if (path && count) Hold(path, std::atoi(count));
    return false;
}();

}  // namespace
