// SPDX-License-Identifier: MIT
#include "HexModelFixture.h"

TEST_F(HexModelTest, LinesPerPageAndScrollRangeFollowTheData) {
    Attach(std::vector<uint8_t>(0x30));
    EXPECT_EQ(model.Layout().linesPerPage, 3u);
    EXPECT_EQ(model.Scroll().minimum, 0);
    EXPECT_EQ(model.Scroll().maximum, 2);
    EXPECT_EQ(model.Scroll().page, 3);
    EXPECT_FALSE(model.Scroll().Scrollable());
    Key(HexKey::PageDown);
    model.VScroll(HexScrollAction::LineDown, 0);
    EXPECT_EQ(model.Top(), 0u);

    Attach(std::vector<uint8_t>(0x28));
    EXPECT_EQ(model.Layout().linesPerPage, 3u);
    EXPECT_EQ(model.Scroll().maximum, 2);

    // 73 cells: address 0-7, hex 9-56, characters 57-72.
    EXPECT_EQ(model.Layout().hexX, 9 * kCellWidth);
    EXPECT_EQ(model.Layout().charX, 57 * kCellWidth);
}

TEST_F(HexModelTest, ClicksPlaceTheCaretInEachPane) {
    Attach(std::vector<uint8_t>(0x100));
    Click(57, 2);
    EXPECT_EQ(model.Caret(), 32u);
    EXPECT_EQ(model.Pane(), PaneChar);

    Click(9 + 8, 0);  // the blank after the third byte
    EXPECT_EQ(model.Caret(), 3u);
    EXPECT_EQ(model.Pane(), PaneHexHigh);
    EXPECT_EQ(model.CaretState().x, (9 + 9) * kCellWidth);

    Click(9 + 4, 1);
    EXPECT_EQ(model.Caret(), 17u);
    EXPECT_EQ(model.Pane(), PaneHexLow);

    Click(56, 0);  // the blank after the last hex byte: first character
    EXPECT_EQ(model.Caret(), 0u);
    EXPECT_EQ(model.Pane(), PaneChar);

    Click(3, 4);
    EXPECT_EQ(model.Caret(), 64u);
    EXPECT_EQ(model.Pane(), PaneAddress);
    EXPECT_FALSE(model.CaretState().Drawn());
    Type("12");
    EXPECT_EQ(model.ByteAt(64), 0);
    EXPECT_FALSE(model.IsModified(64));
    Key(HexKey::Right);
    EXPECT_EQ(model.Caret(), 64u);
    Key(HexKey::Tab);
    EXPECT_EQ(model.Pane(), PaneHexHigh);
    EXPECT_TRUE(model.CaretState().Drawn());

    const uint32_t before = model.Caret();
    model.LButtonDown(8 * kCellWidth + 2, 5, false);  // the gap hits nothing
    model.LButtonDown(5, 25 * kCellHeight, false);    // below the page
    EXPECT_EQ(model.Caret(), before);
}

TEST_F(HexModelTest, TypingNibblesAndCharactersMarksEveryByteTyped) {
    Attach(std::vector<uint8_t>(0x20));
    Click(9, 0);
    Type("a");
    EXPECT_EQ(model.ByteAt(0), 0xA0);
    EXPECT_TRUE(model.IsModified(0));
    EXPECT_EQ(model.Pane(), PaneHexLow);
    Type("gB");  // g is no hex digit
    EXPECT_EQ(model.ByteAt(0), 0xAB);
    EXPECT_EQ(model.Caret(), 1u);
    EXPECT_EQ(model.Pane(), PaneHexHigh);
    EXPECT_FALSE(model.IsModified(1));

    Type("0");  // same value as before, still a change
    EXPECT_TRUE(model.IsModified(1));

    Click(57 + 15, 1);  // the last byte, character pane
    Type("Q");
    EXPECT_EQ(model.ByteAt(0x1F), 'Q');
    EXPECT_EQ(model.Caret(), 0x1Fu);
    EXPECT_EQ(dir.ReadFile(dir.DataPath())[0x1F], 'Q');
    model.Char(8, false);  // Ctrl+H: back one byte, nothing written
    EXPECT_EQ(model.Caret(), 0x1Eu);
    EXPECT_FALSE(model.IsModified(0x1E));
    model.Char('\t', false);
    EXPECT_FALSE(model.IsModified(0x1E));

    // Exactly the typed bytes are marked.
    for (uint32_t k = 0; k < 0x20; ++k)
        EXPECT_EQ(model.IsModified(k), k == 0 || k == 1 || k == 0x1F) << k;
}

TEST_F(HexModelTest, ArrowsStopAtTheEndsOfTheData) {
    Attach(std::vector<uint8_t>(0x28));
    Click(9 + 3 * 5, 0);
    Key(HexKey::Up);
    EXPECT_EQ(model.Caret(), 5u);
    Key(HexKey::Down, 2);
    EXPECT_EQ(model.Caret(), 37u);
    Key(HexKey::Down);  // the last line
    EXPECT_EQ(model.Caret(), 37u);
    Key(HexKey::End);
    EXPECT_EQ(model.Caret(), 0x27u);  // the data ends before the line
    Key(HexKey::Home);
    EXPECT_EQ(model.Caret(), 32u);
    model.KeyDown(HexKey::End, false, true);
    EXPECT_EQ(model.Caret(), 0x27u);
    Key(HexKey::Right);
    Key(HexKey::Right);  // off the low nibble of the last byte: taken back
    EXPECT_EQ(model.Caret(), 0x27u);
    EXPECT_EQ(model.Pane(), PaneHexHigh);
    model.KeyDown(HexKey::Home, false, true);
    EXPECT_EQ(model.Caret(), 0u);
    Key(HexKey::Left);
    EXPECT_EQ(model.Caret(), 0u);
}

TEST_F(HexModelTest, ShiftedKeysExtendTheSelectionFromTheCaret) {
    Attach(std::vector<uint8_t>(0x100));
    Click(9 + 3 * 5, 0);
    Key(HexKey::Right, 3, true);
    EXPECT_EQ(model.SelectionAnchor(), 5);
    EXPECT_EQ(model.SelectionEnd(), 7);
    EXPECT_FALSE(model.CaretState().Drawn());
    Key(HexKey::Down, 1, true);
    EXPECT_EQ(model.SelectionEnd(), 6 + 16 + 1);
    Key(HexKey::Tab);  // keeps the selection
    EXPECT_TRUE(model.HasSelection());
    EXPECT_EQ(model.Pane(), PaneChar);
    Key(HexKey::Left);
    EXPECT_FALSE(model.HasSelection());
    EXPECT_TRUE(model.CaretState().Drawn());
}

TEST_F(HexModelTest, DragsSelectBackwardsInEitherPane) {
    Attach(std::vector<uint8_t>(0x100));
    Click(57 + 8, 2);  // offset 40, character pane
    model.BeginDrag();
    EXPECT_TRUE(model.MouseCaptured());
    model.MouseMove(57 * kCellWidth + 4 * kCellWidth + 5, 1 * kCellHeight + 5);  // offset 20
    EXPECT_EQ(model.SelectionAnchor(), 40);
    EXPECT_EQ(model.SelectionEnd(), 20);
    EXPECT_FALSE(model.CaretState().exists);
    const auto clip = Copy();
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->bytes.size(), 20u);
    model.LButtonUp();
    EXPECT_FALSE(model.MouseCaptured());

    Click(9 + 3 * 8, 2);  // offset 40, hex pane
    model.BeginDrag();
    model.MouseMove((9 + 3 * 4) * kCellWidth + 5, 1 * kCellHeight + 5);
    EXPECT_EQ(model.SelectionEnd(), 21);

    Click(9, 0);  // a plain click clears it
    EXPECT_FALSE(model.HasSelection());
    Click(9 + 3 * 2, 0, true);  // Shift+click from the caret
    EXPECT_EQ(model.SelectionAnchor(), 0);
    EXPECT_EQ(model.SelectionEnd(), 3);
}

TEST_F(HexModelTest, DraggingPastTheWindowScrollsOneLine) {
    Attach(std::vector<uint8_t>(0x1000), 4);
    Click(9, 3);
    model.BeginDrag();
    model.MouseMove(9 * kCellWidth + 5, 4 * kCellHeight + 30);
    EXPECT_EQ(model.Top(), 16u);
    EXPECT_EQ(model.SelectionEnd(), 16 + 48 + 1);
    model.MouseMove(9 * kCellWidth + 5, -3);
    EXPECT_EQ(model.Top(), 0u);
    EXPECT_EQ(model.Scroll().position, 0);
}

TEST_F(HexModelTest, PagesScrollWithinTheDataAndKeepTheCaretOnIt) {
    Attach(std::vector<uint8_t>(0x1000), 4);  // 256 lines, 4 per page
    EXPECT_EQ(model.Scroll().maximum, 255);
    EXPECT_TRUE(model.Scroll().Scrollable());
    Click(9 + 3, 0);
    Key(HexKey::PageDown);
    EXPECT_EQ(model.Top(), 64u);
    EXPECT_EQ(model.Caret(), 65u);
    EXPECT_EQ(model.Scroll().position, 4);

    model.VScroll(HexScrollAction::LineUp, 0);
    EXPECT_EQ(model.Top(), 48u);
    Key(HexKey::PageUp);  // less than a page from the start
    EXPECT_EQ(model.Top(), 0u);
    EXPECT_EQ(model.Caret(), 1u);

    model.VScroll(HexScrollAction::ThumbTrack, 252);
    EXPECT_EQ(model.Top(), 0xFC0u);
    EXPECT_FALSE(model.CaretState().exists);  // its line is off the page
    Key(HexKey::Other);                       // any key first brings the caret back
    EXPECT_EQ(model.Top(), 0u);
    EXPECT_TRUE(model.CaretState().Drawn());

    model.VScroll(HexScrollAction::ThumbTrack, 252);
    Click(9 + 3 * 15, 3);  // the very last byte
    Key(HexKey::PageDown);
    EXPECT_EQ(model.Top(), 0xFC0u);
    EXPECT_EQ(model.Caret(), 0xFFFu);
    model.Wheel(120);
    EXPECT_EQ(model.Top(), 0xF80u);
    EXPECT_EQ(model.Caret(), 0xFBFu);
    model.Wheel(-120);
    EXPECT_EQ(model.Top(), 0xFC0u);
    EXPECT_EQ(model.Caret(), 0xFFFu);

    Click(9, 0);  // 0xFC0, then one line up: a page on is one past the end
    model.VScroll(HexScrollAction::LineUp, 0);
    model.Wheel(-120);
    EXPECT_EQ(model.Top(), 0xFC0u);
    EXPECT_EQ(model.Caret(), 0xFC0u);
    model.VScroll(HexScrollAction::LineDown, 0);
    EXPECT_EQ(model.Top(), 0xFC0u);

    Click(9, 3);  // caret 0xFF0; Down scrolls nothing past the last line
    Key(HexKey::Down);
    EXPECT_EQ(model.Caret(), 0xFF0u);
    EXPECT_EQ(model.Top(), 0xFC0u);
    Key(HexKey::Up, 4);
    EXPECT_EQ(model.Caret(), 0xFB0u);
    EXPECT_EQ(model.Top(), 0xFB0u);
}

TEST_F(HexModelTest, FocusAndSelectionDecideWhetherTheCaretExists) {
    Attach(std::vector<uint8_t>(0x40));
    model.FocusOut();
    EXPECT_FALSE(model.CaretState().exists);
    model.FocusIn();
    EXPECT_TRUE(model.CaretState().Drawn());
    // On the first byte's high nibble, not over the address column.
    EXPECT_EQ(model.CaretState().x, 9 * kCellWidth);
    model.SelectAll();
    EXPECT_FALSE(model.CaretState().exists);
    model.FocusOut();
    model.FocusIn();
    EXPECT_FALSE(model.CaretState().exists);
    model.NonClientPaint();
    Key(HexKey::Home);
    EXPECT_TRUE(model.CaretState().Drawn());
    model.NonClientPaint();
    EXPECT_FALSE(model.CaretState().visible);
}
