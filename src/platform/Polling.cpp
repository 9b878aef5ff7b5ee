// SPDX-License-Identifier: MIT
#include "platform/Polling.h"

#include <chrono>
#include <thread>

bool WaitUntil(const std::function<bool()>& ready, unsigned timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (ready()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
