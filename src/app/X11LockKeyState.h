// SPDX-License-Identifier: MIT
#pragma once

#include "app/LockKeyState.h"

// Reads the named keyboard indicators of the X11 display the application
// runs on.
class X11LockKeyState : public LockKeyState {
  public:
    // Null when the application does not run on X11.
    static std::unique_ptr<LockKeyState> Create();
    bool IsOn(LockKey key) override;

  private:
    explicit X11LockKeyState(void* display) : m_display(display) {}
    void* m_display;
};
