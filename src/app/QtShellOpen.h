// SPDX-License-Identifier: MIT
#pragma once

#include "platform/ShellOpen.h"

// Web addresses go to the desktop's browser.
class QtShellOpen : public ShellOpen {
  public:
    bool Open(const std::string& address) override;
};
