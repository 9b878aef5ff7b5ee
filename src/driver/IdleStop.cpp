// SPDX-License-Identifier: MIT
#include "driver/IdleStop.h"

#include <algorithm>

namespace {

// Programs come and go between connections; they are looked for this often.
constexpr std::chrono::seconds kClientLookInterval{5};

}  // namespace

bool IdleStop::PeriodFor(const char* idleSeconds, std::chrono::seconds* period,
                         std::string* error) {
    if (!idleSeconds || !*idleSeconds) {
        *period = kDefaultPeriod;
        return true;
    }
    std::string text = idleSeconds;
    bool digits = text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
    long seconds = digits ? std::stol(text) : 0;
    if (seconds <= 0) {
        *error = "BOREALIX_IDLE_SECONDS: \"" + text + "\" is not a positive number of seconds";
        return false;
    }
    *period = std::chrono::seconds(seconds);
    return true;
}

IdleStop::IdleStop(std::chrono::seconds period, std::string clientsLockPath)
    : period_(period), clientsLockPath_(std::move(clientsLockPath)) {}

std::chrono::milliseconds IdleStop::NextLook() const {
    auto untilDue =
        std::chrono::ceil<std::chrono::milliseconds>(lastActivity_ + period_ - Clock::now());
    return std::clamp<std::chrono::milliseconds>(untilDue, std::chrono::milliseconds(1),
                                                 kClientLookInterval);
}

bool IdleStop::TimeToStop() {
    if (clientsLockPath_.empty()) return Clock::now() - lastActivity_ >= period_;
    const FileLock::Result clients = clients_.Acquire(clientsLockPath_, FileLock::Mode::Exclusive);
    if (clients == FileLock::Result::Busy) {
        NoteActivity();  // a program still uses this driver
        return false;
    }
    // A lock that cannot be had at all (its folder removed or replaced)
    // means no program can reach this driver any more: only the time counts.
    if (Clock::now() - lastActivity_ >= period_) return true;
    clients_.Release();
    return false;
}
