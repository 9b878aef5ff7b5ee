// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/MessageBox.h"

// Without a window the system's messages are plain lines on stderr.
class StderrMessageBox : public MessageBoxService {
  public:
    void Show(const std::string& title, const std::string& text) override;
};
