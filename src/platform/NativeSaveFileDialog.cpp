// SPDX-License-Identifier: MIT
#include "platform/SaveFileDialog.h"
#include "platform/Seam.h"

namespace {

class CancelledSaveFileDialog : public SaveFileDialog {
  public:
    std::optional<std::string> AskSavePath(const SaveFileRequest&) override { return {}; }
};

}  // namespace

SaveFileDialog& SaveFileDialog::Native() {
    static CancelledSaveFileDialog dialog;
    return dialog;
}

SaveFileDialog& SaveFileDialog::Current() {
    return Seam<SaveFileDialog>::Current();
}
