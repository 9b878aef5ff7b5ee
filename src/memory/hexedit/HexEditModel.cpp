// SPDX-License-Identifier: MIT
#include "memory/hexedit/HexEditModel.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "memory/hexedit/HexClipboardText.h"
#include "memory/hexedit/HexPatternSearch.h"

HexEditModel::~HexEditModel() {
    CloseFiles();
    if (basePathStored_) {
        ::unlink((basePath_ + ".tmp").c_str());
        ::unlink((basePath_ + "map.tmp").c_str());
    }
}

void HexEditModel::SetBytesPerLine(uint32_t count) {
    // Zero would divide by zero everywhere a line is computed.
    layout_.bytesPerLine = std::max<uint32_t>(count, 1);
    layoutPending_ = true;
}

void HexEditModel::SetColumns(bool showAddress, bool showHex, bool showChar, bool wideAddresses) {
    layout_.showAddress = showAddress;
    layout_.showHex = showHex;
    layout_.showChar = showChar;
    layout_.wideAddresses = wideAddresses;
    layoutPending_ = true;
}

void HexEditModel::CloseFiles() {
    data_.Close();
    map_.Close();
}

int HexEditModel::Fail(const std::string& what, const std::string& path) {
    lastError_ = what + " \"" + path + "\": " + std::strerror(errno);
    CloseFiles();
    size_ = 0;
    return 1;
}

int HexEditModel::AttachDump(uint32_t size, uint32_t baseAddress, const std::string& basePath) {
    CloseFiles();
    captured_ = false;
    if (size == 0) {
        size_ = 0;
        return 0;
    }
    basePath_ = basePath;
    basePathStored_ = true;
    lastError_.clear();
    const std::string dataPath = basePath + ".tmp";
    const std::string mapPath = basePath + "map.tmp";
    if (!data_.Open(dataPath)) return Fail("Cannot open the dump data file", dataPath);
    if (!map_.Create(mapPath)) return Fail("Cannot create the modified-byte map", mapPath);
    if (!map_.Clear(size)) return Fail("Cannot fill the modified-byte map", mapPath);
    size_ = size;
    anyModified_ = false;
    caretOffset_ = 0;
    caret_.MoveTo(0, 0);
    pane_ = PaneHexHigh;
    top_ = 0;
    layoutPending_ = true;
    baseAddress_ = baseAddress;
    ClearSelection();
    UpdateScrollBar();
    return 0;
}

uint32_t HexEditModel::ReadData(uint8_t* buffer, uint32_t offset, uint32_t count) {
    if (offset >= size_) return 0;
    count = std::min(count, size_ - offset);
    // What the file lacks reads as 0xFF, as the window shows it.
    std::memset(buffer, 0xFF, count);
    data_.Read(buffer, offset, count);
    return count;
}

uint32_t HexEditModel::ReadModifiedMap(uint8_t* buffer, uint32_t offset, uint32_t count) {
    if (offset >= size_) return 0;
    count = std::min(count, size_ - offset);
    map_.ReadBytes(buffer, offset / 8, count / 8 + 1);
    return count;
}

void HexEditModel::ClearModifiedMap() {
    if (!Attached()) return;
    if (map_.Clear(size_))
        anyModified_ = false;
    else
        lastError_ = "Cannot clear the modified-byte map";
}

bool HexEditModel::MarkModified(uint32_t offset) {
    if (!Attached() || offset >= size_) return false;
    if (!map_.Set(offset)) {
        lastError_ = "Cannot mark the change in \"" + basePath_ + "map.tmp\"";
        return false;
    }
    anyModified_ = true;
    return true;
}

void HexEditModel::SetCellSize(int width, int height) {
    layout_.cellWidth = std::max(width, 1);
    layout_.cellHeight = std::max(height, 1);
    layoutPending_ = true;
}

void HexEditModel::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
}

void HexEditModel::LayoutIfPending() {
    if (!layoutPending_ || !Attached()) return;
    layout_.Compute(size_, clientHeight_);
    layoutPending_ = false;
    // The caret cell moves with the panes; without this a caret shown on focus
    // after a dump would stand over the address column.
    if (pane_ != PaneAddress && CaretLineInPage()) {
        const uint64_t column = caretOffset_ % BytesPerLine();
        const uint64_t row = (caretOffset_ - column - top_) / BytesPerLine();
        caret_.MoveTo(layout_.CaretX(pane_, column), static_cast<int>(row) * layout_.cellHeight);
    }
    UpdateScrollBar();
}

uint8_t HexEditModel::ByteAt(uint64_t offset) {
    uint8_t value = 0xFF;
    if (offset < size_ && !data_.ReadByte(offset, value)) value = 0xFF;
    return value;
}

bool HexEditModel::IsModified(uint64_t offset) {
    return offset < size_ && map_.IsSet(offset);
}

void HexEditModel::ClearSelection() {
    caret_.Destroy();
    anchor_ = end_ = -1;
    if (!(caret_.x == 0 && layout_.showAddress)) caret_.Create();
    caret_.Show();
}

void HexEditModel::PlaceCaret(uint64_t offset) {
    const uint64_t bpl = BytesPerLine();
    const uint64_t column = offset % bpl;
    const int64_t row = (static_cast<int64_t>(offset - column) - static_cast<int64_t>(top_)) /
                        static_cast<int64_t>(bpl);
    int x = 0;
    caret_.Destroy();
    if (pane_ != PaneAddress) {
        x = layout_.CaretX(pane_, column);
        caret_.Create();
    }
    const int64_t y = row * layout_.cellHeight;
    caret_.MoveTo(x, static_cast<int>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)));
    const bool inClient = x >= 0 && x < clientWidth_ && y >= 0 && y < clientHeight_;
    // While a selection is active the caret stays hidden.
    if (inClient && !HasSelection()) caret_.Show();
}

bool HexEditModel::CaretLineInPage() const {
    const uint64_t lineStart = caretOffset_ - caretOffset_ % BytesPerLine();
    return lineStart >= top_ && lineStart < top_ + layout_.PageBytes();
}

void HexEditModel::PlaceOrDestroyCaret() {
    if (CaretLineInPage())
        PlaceCaret(caretOffset_);
    else
        caret_.Destroy();
}

void HexEditModel::UpdateScrollBar() {
    const uint64_t bpl = BytesPerLine();
    scroll_.minimum = 0;
    scroll_.maximum = static_cast<int64_t>(size_ / bpl) - (size_ % bpl == 0 ? 1 : 0);
    scroll_.page = layout_.linesPerPage;
    SetScrollPosition();
}

void HexEditModel::ScrollOneLine(int direction) {
    const uint64_t bpl = BytesPerLine();
    if (direction < 0 && top_ >= bpl) top_ -= bpl;
    if (direction > 0 && top_ < LastPageStart()) top_ += bpl;
}

void HexEditModel::MoveCaret(int dx, int dy) {
    if (pane_ == PaneAddress) return;
    const uint64_t bpl = BytesPerLine();
    int64_t next = static_cast<int64_t>(caretOffset_);
    if (pane_ == PaneChar) {
        next += dx;
    } else if (pane_ == PaneHexHigh) {
        if (dx != 0) pane_ = PaneHexLow;
        if (dx == -1) next -= 1;
    } else {
        if (dx != 0) pane_ = PaneHexHigh;
        if (dx == 1) next += 1;
    }
    if (dy >= 0 || next >= static_cast<int64_t>(bpl))
        next += int64_t{dy} * static_cast<int64_t>(bpl);
    if (next >= 0 && next < static_cast<int64_t>(size_)) caretOffset_ = static_cast<uint64_t>(next);

    if (caretOffset_ < top_) {
        ScrollOneLine(-1);
        SetScrollPosition();
        PlaceOrDestroyCaret();
    } else if (caretOffset_ >= top_ + layout_.PageBytes()) {
        ScrollOneLine(1);
        SetScrollPosition();
        PlaceOrDestroyCaret();
    }
    PlaceCaret(caretOffset_);
}

void HexEditModel::PageUpStep() {
    const uint64_t page = layout_.PageBytes();
    if (top_ == 0) return;
    top_ = top_ >= page ? top_ - page : 0;
    if (caretOffset_ >= page) caretOffset_ -= page;
    SetScrollPosition();
    PlaceOrDestroyCaret();
}

void HexEditModel::PageDownStep() {
    const uint64_t page = layout_.PageBytes();
    if (top_ >= LastPageStart()) return;
    top_ = std::min(top_ + page, LastPageStart());
    // Only onto a byte of the data: one past the end is no byte at all.
    if (caretOffset_ + page < size_) caretOffset_ += page;
    SetScrollPosition();
    PlaceOrDestroyCaret();
}

void HexEditModel::ReturnToScrollPosition() {
    top_ = std::min<uint64_t>(BytesPerLine() * static_cast<uint64_t>(scroll_.position),
                              LastPageStart());
    if (!CaretLineInPage()) caret_.Hide();
    SetScrollPosition();
    PlaceOrDestroyCaret();
}

bool HexEditModel::MoveByKey(HexKey key, bool ctrl) {
    const uint64_t bpl = BytesPerLine();
    switch (key) {
        case HexKey::Tab:
            pane_ = IsHexPane(pane_) ? PaneChar : PaneHexHigh;
            MoveCaret(0, 0);
            return true;
        case HexKey::PageUp:
            PageUpStep();
            MoveCaret(0, 0);
            return true;
        case HexKey::PageDown:
            PageDownStep();
            MoveCaret(0, 0);
            return true;
        case HexKey::Home:
            caretOffset_ = ctrl ? 0 : caretOffset_ - caretOffset_ % bpl;
            if (ctrl) ReturnToScrollPosition();
            MoveCaret(0, 0);
            return true;
        case HexKey::End:
            caretOffset_ =
                ctrl ? size_ - 1
                     : std::min<uint64_t>(caretOffset_ - caretOffset_ % bpl + bpl - 1, size_ - 1);
            if (ctrl) ReturnToScrollPosition();
            MoveCaret(0, 0);
            return true;
        case HexKey::Left:
            MoveCaret(-1, 0);
            return true;
        case HexKey::Right:
            MoveCaret(1, 0);
            return true;
        case HexKey::Up:
            MoveCaret(0, -1);
            return true;
        case HexKey::Down:
            MoveCaret(0, 1);
            return true;
        case HexKey::Backspace:
        case HexKey::Other:
            break;
    }
    return false;
}

void HexEditModel::KeyDown(HexKey key, bool shift, bool ctrl) {
    // Backspace is swallowed before it is translated.
    if (!Attached() || key == HexKey::Backspace) return;
    const uint64_t bpl = BytesPerLine();
    const uint64_t lineStart = caretOffset_ - caretOffset_ % bpl;
    if (lineStart < top_ || lineStart > top_ + layout_.PageBytes()) {
        top_ = std::min(lineStart, LastPageStart());
        UpdateScrollBar();
        PlaceCaret(caretOffset_);
        return;
    }
    if (key == HexKey::Other) return;
    const bool extends = shift && key != HexKey::Tab;
    if (!shift && key != HexKey::Tab) ClearSelection();
    if (extends && !HasSelection()) anchor_ = static_cast<int64_t>(caretOffset_);
    MoveByKey(key, ctrl);
    if (extends) {
        const bool pastCaret = (key == HexKey::Right || key == HexKey::Down) && IsHexPane(pane_);
        end_ = static_cast<int64_t>(caretOffset_) + (pastCaret ? 1 : 0);
    }
}

void HexEditModel::TypeByte(uint8_t value) {
    // A byte the file does not hold is not written, so the file never grows
    // and no mark claims a change that did not happen.
    if (!data_.WriteByte(caretOffset_, value)) {
        lastError_ =
            "Cannot write byte " + std::to_string(caretOffset_) + " of \"" + basePath_ + ".tmp\"";
        return;
    }
    MarkModified(static_cast<uint32_t>(caretOffset_));
    MoveCaret(1, 0);
}

HexCharEffect HexEditModel::Char(uint32_t code, bool ctrl) {
    if (!Attached() || caretOffset_ >= size_ || code == '\t') return HexCharEffect::None;
    if (ctrl && (code == 3 || code == 24 || code == 22 || code == 26)) {
        if ((code == 3 || code == 24) && HasSelection()) return HexCharEffect::CopySelection;
        return HexCharEffect::None;
    }
    if (code == 8) {
        if (caretOffset_ > 0) {
            caretOffset_ -= 1;
            PlaceCaret(caretOffset_);
        }
        return HexCharEffect::None;
    }
    if (pane_ == PaneAddress) return HexCharEffect::None;
    if (pane_ == PaneChar) {
        TypeByte(static_cast<uint8_t>(code));
        return HexCharEffect::None;
    }
    int value = -1;
    if (code >= '0' && code <= '9') value = static_cast<int>(code - '0');
    if (code >= 'a' && code <= 'f') value = static_cast<int>(code - 'a' + 10);
    if (code >= 'A' && code <= 'F') value = static_cast<int>(code - 'A' + 10);
    if (value < 0) return HexCharEffect::None;
    const uint8_t old = ByteAt(caretOffset_);
    TypeByte(pane_ == PaneHexHigh ? static_cast<uint8_t>((old & 0x0F) | (value << 4))
                                  : static_cast<uint8_t>((old & 0xF0) | value));
    return HexCharEffect::None;
}

void HexEditModel::LButtonDown(int x, int y, bool shift) {
    if (!Attached()) return;
    const auto hit = layout_.HitTest(x, y, top_, size_);
    if (hit) {
        // Without a hit there is no new end, so no anchor either.
        if (shift) anchor_ = static_cast<int64_t>(caretOffset_);
        caretOffset_ = hit->caret;
        pane_ = hit->pane;
        caret_.Destroy();
        caret_.MoveTo(hit->cell * layout_.cellWidth, hit->row * layout_.cellHeight);
        if (!(hit->cell == 0 && layout_.showAddress)) caret_.Create();
        if (shift) end_ = static_cast<int64_t>(caretOffset_) + (IsHexPane(pane_) ? 1 : 0);
    }
    if (!shift) anchor_ = end_ = -1;
    if (!HasSelection()) caret_.Show();
}

void HexEditModel::BeginDrag() {
    if (!Attached()) return;
    anchor_ = end_ = static_cast<int64_t>(caretOffset_);
    captured_ = true;
}

void HexEditModel::MouseMove(int x, int y) {
    if (!Attached() || !HasSelection()) return;
    if (y < 0 || y >= clientHeight_) {
        ScrollOneLine(y < 0 ? -1 : 1);
        y = y < 0 ? 0 : clientHeight_ - 1;
        SetScrollPosition();
        PlaceOrDestroyCaret();
    }
    if (const auto hit = layout_.HitTest(x, y, top_, size_)) {
        caretOffset_ = hit->caret;
        pane_ = hit->pane;
        end_ = static_cast<int64_t>(caretOffset_) + (IsHexPane(pane_) ? 1 : 0);
    }
    caret_.Destroy();
}

void HexEditModel::LButtonUp() {
    captured_ = false;
}

void HexEditModel::Wheel(int delta) {
    if (!Attached() || delta == 0) return;
    if (delta < 0)
        PageDownStep();
    else
        PageUpStep();
    SetScrollPosition();
}

void HexEditModel::VScroll(HexScrollAction action, int64_t trackPosition) {
    if (!Attached()) return;
    const uint64_t bpl = BytesPerLine();
    switch (action) {
        case HexScrollAction::LineUp:
            ScrollOneLine(-1);
            break;
        case HexScrollAction::LineDown:
            ScrollOneLine(1);
            break;
        case HexScrollAction::PageUp:
            PageUpStep();
            break;
        case HexScrollAction::PageDown:
            PageDownStep();
            break;
        case HexScrollAction::ThumbTrack:
            top_ = std::min(bpl * static_cast<uint64_t>(std::max<int64_t>(trackPosition, 0)),
                            LastPageStart());
            if (!CaretLineInPage()) caret_.Hide();
            break;
        case HexScrollAction::Other:
            break;
    }
    SetScrollPosition();
    PlaceOrDestroyCaret();
}

void HexEditModel::FocusIn() {
    if (!Attached() || HasSelection() || pane_ == PaneAddress) return;
    caret_.Create();
    caret_.Show();
}

bool HexEditModel::CopySelection(HexClipboardSink& sink) {
    if (!HasSelection()) return false;
    const uint64_t lo = static_cast<uint64_t>(std::min(anchor_, end_));
    const uint64_t hi = std::min<uint64_t>(static_cast<uint64_t>(std::max(anchor_, end_)), size_);
    if (hi < lo || hi - lo > kCopyLimitBytes) return false;
    const size_t count = static_cast<size_t>(hi - lo);
    const bool characterPane = pane_ == PaneChar;
    try {
        uint8_t* bytes = sink.Bytes(count);
        if (count > 0) {
            // What the file cannot give reads as 0xFF, as the window shows it.
            std::memset(bytes, 0xFF, count);
            data_.Read(bytes, lo, count);
        }
        char* text = sink.Text(HexClipboardTextLength(count, characterPane));
        WriteHexClipboardText(bytes, count, characterPane, text);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void HexEditModel::SelectAll() {
    anchor_ = 0;
    end_ = size_;
    caret_.Destroy();
}

bool HexEditModel::FindNext(const std::vector<uint8_t>& pattern, bool exact,
                            WorkProgress* progress) {
    if (!Attached()) return false;
    const auto match =
        HexPatternSearch::Find(data_, size_, caretOffset_ + 1, pattern, exact, progress);
    if (!match) return false;
    lastMatch_ = static_cast<uint32_t>(*match);
    top_ = std::min(*match - *match % BytesPerLine(), LastPageStart());
    caretOffset_ = *match;
    anchor_ = static_cast<int64_t>(*match);
    end_ = static_cast<int64_t>(*match + pattern.size());
    PlaceCaret(caretOffset_);
    caret_.Destroy();
    UpdateScrollBar();
    return true;
}
