// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/SaveFileDialog.h"

// Answers the save-file dialog with `answer` (nullopt: cancelled) and keeps
// every request. Install with ScopedOverride<SaveFileDialog>.
class RecordingSaveFileDialog : public SaveFileDialog {
  public:
    std::optional<std::string> answer;
    std::vector<SaveFileRequest> requests;

    std::optional<std::string> AskSavePath(const SaveFileRequest& request) override {
        requests.push_back(request);
        return answer;
    }
};
