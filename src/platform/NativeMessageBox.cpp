// SPDX-License-Identifier: MIT
#include <cstdio>

#include "platform/MessageBox.h"
#include "platform/Seam.h"

namespace {

class NativeMessageBox : public MessageBoxService {
public:
    void Show(const std::string& title, const std::string& text) override {
        std::string line = title + ": " + text;
        if (line.back() != '\n') line += '\n';
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }
};

}  // namespace

MessageBoxService& MessageBoxService::Native() {
    static NativeMessageBox box;
    return box;
}

MessageBoxService& MessageBoxService::Current() { return Seam<MessageBoxService>::Current(); }
