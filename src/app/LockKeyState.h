// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

enum class LockKey { Caps, Num, Scroll };

// Whether a keyboard lock is on. Read from the window system's keyboard
// indicators, which key-modifier state does not carry.
class LockKeyState {
  public:
    virtual ~LockKeyState() = default;
    virtual bool IsOn(LockKey key) = 0;

    // The X11 keyboard's indicators; all off where there is no X11 display.
    static std::unique_ptr<LockKeyState> ForPlatform();
};
