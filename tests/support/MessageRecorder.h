// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

// Records message boxes instead of showing them, and answers questions from
// `answers` in turn (Cancel once they run out, which loses nothing).
// Install with ScopedOverride<MessageBoxService>.
class MessageRecorder : public MessageBoxService {
  public:
    struct Message {
        std::string title;
        std::string text;
        bool question = false;
    };
    std::vector<Message> messages;
    std::deque<MessageAnswer> answers;

    void Show(const std::string& title, const std::string& text) override {
        messages.push_back({title, text});
    }
    MessageAnswer Ask(const std::string& title, const std::string& text) override {
        messages.push_back({title, text, true});
        if (answers.empty()) return MessageAnswer::Cancel;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
