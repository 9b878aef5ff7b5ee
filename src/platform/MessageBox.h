// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The answers of a question box.
enum class MessageAnswer { Yes, No, Cancel };

// Plain message box with an OK button, and the question box with Yes, No
// and Cancel. The title is the application name: "Borealix" until start-up
// switches it to "TARVOLENT".
class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    virtual void Show(const std::string& title, const std::string& text) = 0;
    // Where nobody can answer, the question is shown as a message and
    // cancelled, so nothing is lost.
    virtual MessageAnswer Ask(const std::string& title, const std::string& text) {
        Show(title, text);
        return MessageAnswer::Cancel;
    }

    // Without a window system: the message goes to stderr.
    static MessageBoxService& Native();
    static MessageBoxService& Current();
};

void ShowMessage(const std::string& text);
MessageAnswer AskYesNoCancel(const std::string& text);
void SetMessageTitle(const std::string& title);
const std::string& MessageTitle();
