#pragma once

#include "platform/MessageBox.h"

// Message boxes as QMessageBox: the text, an OK button, the given title,
// modal to the active window.
class QtMessageBoxService : public MessageBoxService {
  public:
    void Show(const std::string& title, const std::string& text) override;
};
