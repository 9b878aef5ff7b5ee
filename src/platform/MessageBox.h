#pragma once

#include <string>

// Plain message box with an OK button. The title is the application name:
// "Borealix" until start-up switches it to "TARVOLENT".
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void Show(const std::string& title, const std::string& text) = 0;

    // Without a window system: the message goes to stderr.
    static MessageBoxService& Native();
    static MessageBoxService& Current();
};

void ShowMessage(const std::string& text);
void SetMessageTitle(const std::string& title);
const std::string& MessageTitle();
