// SPDX-License-Identifier: MIT
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "HexModelFixture.h"
#include "memory/hexedit/HexPaintRunBuilder.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace

TEST_F(HexModelTest, CopyGivesRawBytesAndTheTextOfThePaneWithTheCaret) {
    Attach({'x', 0x41, 0x00, 'y'});
    EXPECT_FALSE(Copy());
    Click(9 + 3, 0);
    Key(HexKey::Right, 3, true);
    auto clip = Copy();
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->bytes, (std::vector<uint8_t>{0x41, 0x00}));
    EXPECT_EQ(clip->text, "41 00 ");
    EXPECT_EQ(model.Char(3, true), HexCharEffect::CopySelection);
    EXPECT_EQ(model.Char(24, true), HexCharEffect::CopySelection);
    EXPECT_EQ(model.Char(22, true), HexCharEffect::None);
    EXPECT_EQ(model.ByteAt(2), 0x00);

    Key(HexKey::Tab);
    clip = Copy();
    EXPECT_EQ(clip->text, "A.");

    Attach(HexDumpDirectory::Counting(0x100));
    model.SelectAll();
    clip = Copy();
    EXPECT_EQ(clip->bytes.size(), 256u);
    EXPECT_EQ(clip->text.size(), 768u);
    EXPECT_EQ(clip->text.substr(0, 9), "00 01 02 ");
    EXPECT_EQ(clip->text.substr(765), "FF ");
}

TEST_F(HexModelTest, CopyPlacesNothingBeyondItsLimitOrWithoutStorage) {
    // Notes what it is asked for and has no storage to give.
    struct NoStorage : HexClipboardSink {
        std::vector<size_t> asked;
        uint8_t* Bytes(size_t count) override {
            asked.push_back(count);
            throw std::bad_alloc();
        }
        char* Text(size_t length) override {
            asked.push_back(length);
            throw std::bad_alloc();
        }
    };
    for (const uint64_t size : {HexEditModel::kCopyLimitBytes + 1, HexEditModel::kCopyLimitBytes}) {
        dir.WriteData({});
        std::filesystem::resize_file(dir.DataPath(), size);  // sparse: nothing written
        ASSERT_EQ(model.AttachDump(uint32_t(size), 0, dir.BasePath()), 0);
        model.SelectAll();
        NoStorage sink;
        EXPECT_FALSE(model.CopySelection(sink));
        const bool tried = size <= HexEditModel::kCopyLimitBytes;
        EXPECT_EQ(sink.asked, tried ? std::vector<size_t>{size} : std::vector<size_t>{}) << size;
    }
}

TEST_F(HexModelTest, SearchFindsMatchesAfterTheCaretOnly) {
    Attach(Bytes("abcdABCDab"));
    EXPECT_FALSE(model.FindNext(std::vector<uint8_t>(20, 'a'), true));

    // Caret on 0: the search starts at 1, so the "ab" at 0 is passed over.
    EXPECT_TRUE(model.FindNext(Bytes("ab"), true));
    EXPECT_EQ(model.LastMatch(), 8u);
    EXPECT_EQ(model.Caret(), 8u);
    EXPECT_EQ(model.SelectionAnchor(), 8);
    EXPECT_EQ(model.SelectionEnd(), 10);
    EXPECT_EQ(model.Pane(), PaneHexHigh);
    EXPECT_FALSE(model.FindNext(Bytes("ab"), true));
    EXPECT_EQ(model.Caret(), 8u);  // unchanged by a miss
    EXPECT_TRUE(model.HasSelection());

    Click(9, 0);
    EXPECT_TRUE(model.FindNext(Bytes("Ab"), false));
    EXPECT_EQ(model.Caret(), 4u);
    Click(9 + 3 * 5, 0);  // just before the last 4 bytes
    EXPECT_TRUE(model.FindNext(Bytes("CDab"), true));
    EXPECT_EQ(model.Caret(), 6u);

    EXPECT_TRUE(model.FindNext({}, true));
    EXPECT_EQ(model.Caret(), 7u);
    EXPECT_EQ(model.SelectionAnchor(), model.SelectionEnd());
    EXPECT_EQ(Copy()->bytes.size(), 0u);
}

TEST_F(HexModelTest, SearchFindsOverlappingMatchesAndCaseFoldsOnlyLetters) {
    Attach(Bytes("xaaaa[{"));
    Click(9, 0);
    ASSERT_TRUE(model.FindNext(Bytes("aaa"), true));
    EXPECT_EQ(model.Caret(), 1u);
    ASSERT_TRUE(model.FindNext(Bytes("aaa"), true));
    EXPECT_EQ(model.Caret(), 2u);
    EXPECT_FALSE(model.FindNext(Bytes("aaa"), true));
    // '[' and '{' differ by the case bit but are no letters.
    Click(9, 0);
    EXPECT_FALSE(model.FindNext(Bytes("{{"), false));
    EXPECT_TRUE(model.FindNext(Bytes("A["), false));
}

TEST_F(HexModelTest, SearchFindsAMatchAcrossTheFourMebibyteWindow) {
    const uint32_t size = 0x400000 + 0x100;
    std::vector<uint8_t> bytes(size, 0);
    // Straddles caret + 1 + 0x400000 with the caret on 0.
    std::memcpy(&bytes[0x400001 - 2], "NEEDLE", 6);
    Attach(bytes, 20, 0x80000000);
    ASSERT_TRUE(model.FindNext(Bytes("NEEDLE"), true));
    EXPECT_EQ(model.Caret(), 0x400001u - 2);
    // The match line lies on the last page, whose start bounds top.
    EXPECT_EQ(model.Top(), 0x400100u - 20 * 16);
    EXPECT_EQ(model.Scroll().position, int64_t(model.Top() / 16));
    EXPECT_FALSE(model.FindNext(Bytes("NEEDLE"), true));
}

TEST(HexPaintRunBuilderTest, RunsCarryAddressesChangesAndTheSelectionOfTheCaretPane) {
    HexDumpDirectory dir;
    dir.WriteData({'A', 0x00, 'B', 0x7F, 'C'});
    HexEditModel model;
    model.SetCellSize(10, 20);
    model.SetClientSize(800, 400);
    ASSERT_EQ(model.AttachDump(5, 0xC0000, dir.BasePath()), 0);
    model.LayoutIfPending();
    EXPECT_TRUE(HexPaintRunBuilder::Build(model).size() >= 3u);
    model.LButtonDown(9 * 10 + 5, 5, false);
    model.Char('4', false);
    model.Char('1', false);  // byte 0 is 0x41 again, but marked
    model.KeyDown(HexKey::Right, true, false);
    model.KeyDown(HexKey::Right, true, false);
    model.KeyDown(HexKey::Right, true, false);  // bytes 1 and 2 selected

    auto runs = HexPaintRunBuilder::Build(model);
    ASSERT_EQ(runs.size(), 6u);
    EXPECT_EQ(runs[0].text, "000C0000");
    EXPECT_EQ(runs[1].text, "41 ");
    EXPECT_EQ(runs[1].style, HexTextStyle::Changed);
    EXPECT_EQ(runs[2].text, "00 42 ");
    EXPECT_EQ(runs[2].style, HexTextStyle::Highlighted);
    EXPECT_EQ(runs[2].x, 12 * 10);
    EXPECT_EQ(runs[3].text, "7F 43 ");
    EXPECT_EQ(runs[3].style, HexTextStyle::Normal);
    // The character pane holds no caret: no highlight there.
    EXPECT_EQ(runs[4].text, "A");
    EXPECT_EQ(runs[4].style, HexTextStyle::Changed);
    EXPECT_EQ(runs[5].text, ".B.C");
    EXPECT_EQ(runs[5].x, 58 * 10);
    EXPECT_EQ(runs[5].style, HexTextStyle::Normal);

    model.SetColumns(false, false, true, false);
    model.LayoutIfPending();
    runs = HexPaintRunBuilder::Build(model);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].x, 0);
}

TEST(HexPaintRunBuilderTest, EveryCharacterStandsInItsOwnCellOfItsOwnColumn) {
    HexDumpDirectory dir;
    dir.WriteData(std::vector<uint8_t>(0x25, 'a'));  // two full lines and a short one
    HexEditModel model;
    model.SetCellSize(7, 14);
    model.SetClientSize(800, 400);
    ASSERT_EQ(model.AttachDump(0x25, 0, dir.BasePath()), 0);
    model.LayoutIfPending();
    model.LButtonDown(57 * 7 + 3, 14 + 3, false);  // line 1, first character
    model.Char('Z', false);
    // Where each line's character column starts: an unchanged line, the
    // changed one, the short one.
    const std::vector<std::pair<int, std::string>> starts = {{0, std::string(16, 'a')},
                                                             {14, "Z"},
                                                             {28, "aaaaa"}};
    const std::vector<HexPaintRun> runs = HexPaintRunBuilder::Build(model);
    for (const auto& [y, text] : starts) {
        const auto run = std::find_if(runs.begin(), runs.end(), [y = y](const HexPaintRun& r) {
            return r.y == y && r.x == 57 * 7;
        });
        ASSERT_NE(run, runs.end()) << y;
        EXPECT_EQ(run->text, text) << y;
        EXPECT_EQ(run->CellX(run->text.size() - 1), (57 + int(text.size()) - 1) * 7) << y;
    }
    // No run reaches from one column into the next.
    for (const HexPaintRun& run : runs)
        for (int column : {9 * 7, 57 * 7})
            EXPECT_FALSE(run.x < column && run.x + run.Width() > column) << run.text;
}
