// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/ShellOpen.h"

// Keeps the addresses handed to the shell instead of opening them.
// Install with ScopedOverride<ShellOpen>.
class RecordingShellOpen : public ShellOpen {
  public:
    std::vector<std::string> opened;

    bool Open(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
};
