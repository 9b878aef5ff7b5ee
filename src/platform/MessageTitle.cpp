// SPDX-License-Identifier: MIT
#include "platform/MessageBox.h"

namespace {

std::string& TitleState() {
    static std::string title = "Borealix";
    return title;
}

}  // namespace

void ShowMessage(const std::string& text) {
    MessageBoxService::Current().Show(TitleState(), text);
}

MessageAnswer AskYesNoCancel(const std::string& text) {
    return MessageBoxService::Current().Ask(TitleState(), text);
}

void SetMessageTitle(const std::string& title) {
    TitleState() = title;
}

const std::string& MessageTitle() {
    return TitleState();
}
