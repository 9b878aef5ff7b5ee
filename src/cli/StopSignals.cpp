// SPDX-License-Identifier: MIT
#include "cli/StopSignals.h"

#include <poll.h>

#include <chrono>

namespace {

volatile sig_atomic_t stopAsked = 0;

void AskToStop(int) {
    stopAsked = 1;
}

}  // namespace

StopSignals::StopSignals() {
    stopAsked = 0;
    struct sigaction action {};
    action.sa_handler = AskToStop;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a wait that a signal interrupts returns at once.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &previousInterrupt_);
    sigaction(SIGTERM, &action, &previousTerminate_);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerminate_, nullptr);
}

bool StopSignals::Wait(int milliseconds) {
    // A signal that lands between the check and poll() is seen at the next
    // slice; slices keep that delay short.
    constexpr int kSliceMs = 50;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!stopAsked) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) break;
        poll(nullptr, 0, static_cast<int>(left < kSliceMs ? left : kSliceMs));
    }
    return stopAsked != 0;
}
