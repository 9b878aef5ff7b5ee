// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

// What the save-file dialog is set up with. The filter is in Qt's form:
// "Name (*.ext);;Other (*)".
struct SaveFileRequest {
    std::string defaultSuffix;
    std::string defaultName;
    std::string filter;
    std::string initialDirectory;
    bool confirmOverwrite = true;
};

// Asks the user where to save. Install a double with
// ScopedOverride<SaveFileDialog>.
class SaveFileDialog {
  public:
    virtual ~SaveFileDialog() = default;
    // The chosen path; nullopt when the user cancelled.
    virtual std::optional<std::string> AskSavePath(const SaveFileRequest& request) = 0;

    // Without a window system nobody can be asked: always cancelled.
    static SaveFileDialog& Native();
    static SaveFileDialog& Current();
};
