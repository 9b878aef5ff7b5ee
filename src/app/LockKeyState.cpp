// SPDX-License-Identifier: MIT
#include "app/LockKeyState.h"

#include "app/X11LockKeyState.h"

namespace {

// Everything off: no window system to ask.
class NoLockKeyState : public LockKeyState {
public:
    bool IsOn(LockKey) override { return false; }
};

}  // namespace

std::unique_ptr<LockKeyState> LockKeyState::ForPlatform() {
    if (auto x11 = X11LockKeyState::Create()) return x11;
    return std::make_unique<NoLockKeyState>();
}
