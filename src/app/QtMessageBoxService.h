// SPDX-License-Identifier: MIT
#pragma once

#include "platform/MessageBox.h"

// Message boxes and questions as CMessageBox dialogs with the given title,
// modal to the active window.
class QtMessageBoxService : public MessageBoxService {
  public:
    void Show(const std::string& title, const std::string& text) override;
    MessageAnswer Ask(const std::string& title, const std::string& text) override;
};
