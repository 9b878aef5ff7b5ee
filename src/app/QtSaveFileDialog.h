// SPDX-License-Identifier: MIT
#pragma once

#include "platform/SaveFileDialog.h"

class QFileDialog;

// The save-file dialog as a QFileDialog in save mode, without a parent.
class QtSaveFileDialog : public SaveFileDialog {
  public:
    std::optional<std::string> AskSavePath(const SaveFileRequest& request) override;
    // Sets a dialog up as the request says.
    static void Configure(QFileDialog& dialog, const SaveFileRequest& request);
};
