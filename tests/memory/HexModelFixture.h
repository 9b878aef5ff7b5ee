// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "HexClipboardData.h"
#include "memory/hexedit/HexEditModel.h"
#include "support/HexDumpDirectory.h"

// A model on a small dump: cells of 10 x 20 pixels, a client area of 80
// cells by `lines` lines, 16 bytes per line with every column shown.
class HexModelTest : public testing::Test {
  protected:
    static constexpr int kCellWidth = 10;
    static constexpr int kCellHeight = 20;

    void Attach(const std::vector<uint8_t>& bytes, int lines = 20, uint32_t base = 0) {
        dir.WriteData(bytes);
        model.SetBytesPerLine(16);
        model.SetColumns(true, true, true, true);
        model.SetCellSize(kCellWidth, kCellHeight);
        model.SetClientSize(80 * kCellWidth, lines * kCellHeight);
        ASSERT_EQ(model.AttachDump(uint32_t(bytes.size()), base, dir.BasePath()), 0)
            << model.LastError();
        model.LayoutIfPending();
    }
    // Clicks the middle of a cell.
    void Click(int cell, int row, bool shift = false) {
        model.LButtonDown(cell * kCellWidth + 5, row * kCellHeight + 5, shift);
    }
    void Type(const std::string& text) {
        for (char c : text) model.Char(static_cast<uint8_t>(c), false);
    }
    void Key(HexKey key, int times = 1, bool shift = false) {
        for (int i = 0; i < times; ++i) model.KeyDown(key, shift, false);
    }
    // The selection as a copy builds it; empty when a copy places nothing.
    std::optional<HexClipboardData> Copy() {
        HexClipboardData clip;
        if (!model.CopySelection(clip)) return std::nullopt;
        return clip;
    }

    HexDumpDirectory dir;
    HexEditModel model;
};
