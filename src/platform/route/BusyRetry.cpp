// SPDX-License-Identifier: MIT
#include "platform/route/BusyRetry.h"

#include <algorithm>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kLongestPause{250};

}  // namespace

bool BusyRetry::Pause() {
    if (Clock::now() + pause_ >= giveUp_) return false;
    std::this_thread::sleep_for(pause_);
    pause_ = std::min(pause_ * 2, kLongestPause);
    return true;
}
