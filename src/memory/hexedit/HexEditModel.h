// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "memory/hexedit/CaretPane.h"
#include "memory/hexedit/HexCaret.h"
#include "memory/hexedit/HexClipboardSink.h"
#include "memory/hexedit/HexDataFile.h"
#include "memory/hexedit/HexLayout.h"
#include "memory/hexedit/HexScrollRange.h"
#include "memory/hexedit/ModifiedMap.h"

class WorkProgress;

// Keys the hex window acts on; Other stands for any other key pressed.
enum class HexKey { Tab, PageUp, PageDown, Home, End, Left, Right, Up, Down, Backspace, Other };
enum class HexScrollAction { LineUp, LineDown, PageUp, PageDown, ThumbTrack, Other };
// What a typed character asks of the window beyond the model.
enum class HexCharEffect { None, CopySelection };

// State and behaviour of the hex viewer/editor: the dump lives in a data file
// and every changed byte is marked in the ModifiedMap; the model keeps size,
// top, caret, pane, selection, layout, scroll range and the caret's shown or
// destroyed state. The widget only forwards events and paints from it.
class HexEditModel {
  public:
    HexEditModel() = default;
    ~HexEditModel();
    HexEditModel(const HexEditModel&) = delete;
    HexEditModel& operator=(const HexEditModel&) = delete;

    // Owner's operations.
    void SetBytesPerLine(uint32_t count);
    void SetColumns(bool showAddress, bool showHex, bool showChar, bool wideAddresses);
    // 0 on success (also for size 0), 1 when a file could not be opened or
    // the map could not be filled; LastError() then says which and why.
    int AttachDump(uint32_t size, uint32_t baseAddress, const std::string& basePath);
    uint32_t ReadData(uint8_t* buffer, uint32_t offset, uint32_t count);
    // Fills count / 8 + 1 bytes; offset must be a multiple of 8.
    uint32_t ReadModifiedMap(uint8_t* buffer, uint32_t offset, uint32_t count);
    void ClearModifiedMap();
    // Marks a byte changed again, as typing does; false when the map cannot
    // take the mark.
    bool MarkModified(uint32_t offset);
    // Whether any byte is marked changed since the dump or the last clear.
    bool HasModifiedBytes() const { return Attached() && anyModified_; }

    // Geometry from the widget: the font's cell and the client area.
    void SetCellSize(int width, int height);
    void SetClientSize(int width, int height);
    void MarkLayoutPending() { layoutPending_ = true; }
    void LayoutIfPending();

    // Input.
    void KeyDown(HexKey key, bool shift, bool ctrl);
    HexCharEffect Char(uint32_t code, bool ctrl);
    void LButtonDown(int x, int y, bool shift);
    // The press turned into a drag: the selection starts at the caret.
    void BeginDrag();
    void MouseMove(int x, int y);
    void LButtonUp();
    void Wheel(int delta);
    void VScroll(HexScrollAction action, int64_t trackPosition);
    void FocusIn();
    void FocusOut() { caret_.Destroy(); }
    void NonClientPaint() { caret_.Hide(); }

    // Clipboard and search.
    // The largest selection a copy places: its text is up to three times as
    // long, and the clipboard holds both.
    static constexpr uint64_t kCopyLimitBytes = 0x4000000;
    // Builds the selection's bytes and text in the sink's storage. False
    // without a selection, over kCopyLimitBytes (the sink is not asked then)
    // or when the sink has no storage to give.
    bool CopySelection(HexClipboardSink& sink);
    void SelectAll();
    // A search the progress cancels changes nothing and returns false.
    bool FindNext(const std::vector<uint8_t>& pattern, bool exact,
                  WorkProgress* progress = nullptr);

    // State.
    bool Attached() const { return size_ > 0 && data_.IsOpen() && map_.IsOpen(); }
    uint32_t Size() const { return size_; }
    uint32_t Top() const { return static_cast<uint32_t>(top_); }
    uint32_t Caret() const { return static_cast<uint32_t>(caretOffset_); }
    CaretPane Pane() const { return pane_; }
    int64_t SelectionAnchor() const { return anchor_; }
    int64_t SelectionEnd() const { return end_; }
    bool HasSelection() const { return anchor_ != -1 && end_ != -1; }
    uint32_t BaseAddress() const { return baseAddress_; }
    uint32_t LastMatch() const { return lastMatch_; }
    const std::string& BasePath() const { return basePath_; }
    const HexLayout& Layout() const { return layout_; }
    const HexScrollRange& Scroll() const { return scroll_; }
    const HexCaret& CaretState() const { return caret_; }
    bool LayoutPending() const { return layoutPending_; }
    bool MouseCaptured() const { return captured_; }
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    const std::string& LastError() const { return lastError_; }

    // A byte as shown: 0xFF when the file cannot give it.
    uint8_t ByteAt(uint64_t offset);
    bool IsModified(uint64_t offset);

  private:
    void CloseFiles();
    int Fail(const std::string& what, const std::string& path);
    void ClearSelection();
    void PlaceCaret(uint64_t offset);
    void PlaceOrDestroyCaret();
    bool CaretLineInPage() const;
    void MoveCaret(int dx, int dy);
    void UpdateScrollBar();
    void SetScrollPosition() { scroll_.position = static_cast<int64_t>(top_ / BytesPerLine()); }
    void ScrollOneLine(int direction);
    void PageUpStep();
    void PageDownStep();
    bool MoveByKey(HexKey key, bool ctrl);
    void ReturnToScrollPosition();
    void TypeByte(uint8_t value);
    uint64_t BytesPerLine() const { return layout_.bytesPerLine; }
    uint64_t LastPageStart() const { return layout_.LastPageStart(size_); }

    HexDataFile data_;
    ModifiedMap map_;
    HexLayout layout_;
    HexScrollRange scroll_;
    HexCaret caret_;
    uint32_t size_ = 0;
    uint64_t top_ = 0;
    uint64_t caretOffset_ = 0;
    CaretPane pane_ = PaneAddress;
    int64_t anchor_ = -1;
    int64_t end_ = -1;
    bool layoutPending_ = true;
    uint32_t baseAddress_ = 0;
    uint32_t lastMatch_ = 0;
    std::string basePath_;
    bool basePathStored_ = false;
    bool captured_ = false;
    bool anyModified_ = false;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    std::string lastError_;
};
