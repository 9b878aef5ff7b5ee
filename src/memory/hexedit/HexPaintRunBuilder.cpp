// SPDX-License-Identifier: MIT
#include "memory/hexedit/HexPaintRunBuilder.h"

#include <algorithm>
#include <cstdio>

#include "memory/hexedit/HexClipboardText.h"
#include "memory/hexedit/HexEditModel.h"

namespace {

// Neighbouring cells of one style in one column become one run, so a line
// costs a few text draws rather than one per byte. A run never reaches into
// the next column: each column starts at its own pane position.
void Append(std::vector<HexPaintRun>& runs, size_t columnStart, const HexPaintRun& run) {
    if (runs.size() > columnStart) {
        HexPaintRun& last = runs.back();
        if (last.y == run.y && last.style == run.style && last.x + last.Width() == run.x) {
            last.text += run.text;
            return;
        }
    }
    runs.push_back(run);
}

std::string HexDigits(uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F], ' '};
}

}  // namespace

std::vector<HexPaintRun> HexPaintRunBuilder::Build(HexEditModel& model) {
    std::vector<HexPaintRun> runs;
    if (!model.Attached()) return runs;
    const HexLayout& layout = model.Layout();
    const uint64_t bpl = layout.bytesPerLine;
    const uint64_t size = model.Size();
    const uint64_t top = model.Top();
    const int visibleHeight = layout.cellHeight * (model.ClientHeight() / layout.cellHeight);
    int64_t lo = -1, hi = -1;
    if (model.HasSelection()) {
        lo = std::min(model.SelectionAnchor(), model.SelectionEnd());
        hi = std::max(model.SelectionAnchor(), model.SelectionEnd());
    }
    const bool hexSelected = lo >= 0 && IsHexPane(model.Pane());
    const bool charSelected = lo >= 0 && model.Pane() == PaneChar;

    for (int row = 0; row * layout.cellHeight < visibleHeight; ++row) {
        const uint64_t lineStart = top + uint64_t(row) * bpl;
        if (lineStart >= size) break;
        const int y = row * layout.cellHeight;
        if (layout.showAddress) {
            char text[16];
            const uint32_t address = static_cast<uint32_t>(lineStart) + model.BaseAddress();
            std::snprintf(text, sizeof(text), layout.wideAddresses ? "%08X" : "%04X",
                          layout.wideAddresses ? address : address & 0xFFFF);
            runs.push_back({0, y, text, HexTextStyle::Normal, layout.cellWidth});
        }
        const uint64_t lineEnd = std::min(lineStart + bpl, size);
        for (int pane = 0; pane < 2; ++pane) {
            const bool hex = pane == 0;
            if (hex ? !layout.showHex : !layout.showChar) continue;
            const bool selected = hex ? hexSelected : charSelected;
            const size_t columnStart = runs.size();
            for (uint64_t k = lineStart; k < lineEnd; ++k) {
                const uint8_t value = model.ByteAt(k);
                HexTextStyle style = HexTextStyle::Normal;
                if (selected && int64_t(k) >= lo && int64_t(k) < hi)
                    style = HexTextStyle::Highlighted;
                else if (model.IsModified(k))
                    style = HexTextStyle::Changed;
                const int column = static_cast<int>(k - lineStart);
                const int x = hex ? layout.hexX + 3 * column * layout.cellWidth
                                  : layout.charX + column * layout.cellWidth;
                const std::string text =
                    hex ? HexDigits(value)
                        : std::string(1, IsPrintableByte(value) ? char(value) : '.');
                Append(runs, columnStart, {x, y, text, style, layout.cellWidth});
            }
        }
    }
    return runs;
}
