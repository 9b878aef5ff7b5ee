#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"

// Keeps the texts shown instead of showing them.
class RecordingMessageBox : public MessageBoxService {
public:
    std::vector<std::string> texts;
    void Show(const std::string&, const std::string& text) override { texts.push_back(text); }
};
