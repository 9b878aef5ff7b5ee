// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The shell's "open" verb for web addresses. Install a double with
// ScopedOverride<ShellOpen>.
class ShellOpen {
  public:
    virtual ~ShellOpen() = default;
    // False when nothing could open the address.
    virtual bool Open(const std::string& address) = 0;

    // Without a window system there is no browser to hand it to: fails.
    static ShellOpen& Native();
    static ShellOpen& Current();
};
