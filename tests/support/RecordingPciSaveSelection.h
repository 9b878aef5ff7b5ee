// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "pci/PciSaveSelection.h"

// Answers the PCI report selection with the next of `answers` (the last one
// once they run out) and counts the questions.
// Install with ScopedOverride<PciSaveSelection>.
class RecordingPciSaveSelection : public PciSaveSelection {
  public:
    std::vector<int> answers{kSaveCurrentDevice};
    int asked = 0;

    int Ask() override {
        const size_t next = static_cast<size_t>(asked++);
        return next < answers.size() ? answers[next] : answers.back();
    }
};
