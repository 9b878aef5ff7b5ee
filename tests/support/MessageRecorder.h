#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"

// Records message boxes instead of showing them.
// Install with ScopedOverride<MessageBoxService>.
class MessageRecorder : public MessageBoxService {
public:
    struct Message {
        std::string title;
        std::string text;
    };
    std::vector<Message> messages;

    void Show(const std::string& title, const std::string& text) override {
        messages.push_back({title, text});
    }
};
