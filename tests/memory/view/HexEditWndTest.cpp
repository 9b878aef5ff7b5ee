// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>

#include "memory/hexedit/CHexEditWnd.h"
#include "support/HexDumpDirectory.h"
#include "support/QtTestEnvironment.h"

namespace {

[[maybe_unused]] testing::Environment* const kQtEnvironment =
    testing::AddGlobalTestEnvironment(new QtTestEnvironment("test_memory_view"));

class HexEditWndTest : public testing::Test {
  protected:
    HexEditWndTest() {
        wnd = std::make_unique<CHexEditWnd>();
        wnd->resize(800, 200);
        wnd->SetBytesPerLine(16);
        wnd->SetColumns(true, true, true, true);
    }
    void Attach(const std::vector<uint8_t>& bytes, uint32_t base = 0xC0000) {
        dir.WriteData(bytes);
        wnd->show();
        QApplication::processEvents();
        ASSERT_EQ(wnd->AttachDump(uint32_t(bytes.size()), base, dir.BasePath()), 0);
        wnd->setFocus();
        QApplication::processEvents();
    }
    QPoint CellCenter(int cell, int row) const {
        const HexLayout& layout = wnd->Model().Layout();
        return {cell * layout.cellWidth + layout.cellWidth / 2,
                row * layout.cellHeight + layout.cellHeight / 2};
    }

    HexDumpDirectory dir;
    std::unique_ptr<CHexEditWnd> wnd;
};

// The horizontal pixel range of the ink of one colour in a band of a line:
// first and last column holding it, or {-1, -1} where there is none.
std::pair<int, int> InkColumns(const QImage& image, int top, int bottom, int left, int right,
                               bool red) {
    int first = -1, last = -1;
    for (int x = left; x < right; ++x)
        for (int y = top; y < bottom; ++y) {
            const QColor pixel = image.pixelColor(x, y);
            const bool ink = red ? pixel.red() > 160 && pixel.green() < 140
                                 : pixel.red() < 140 && pixel.green() < 140;
            if (!ink) continue;
            if (first < 0) first = x;
            last = x;
            break;
        }
    return {first, last};
}

}  // namespace

TEST_F(HexEditWndTest, KeysAndClicksReachTheModel) {
    Attach(std::vector<uint8_t>(0x100));
    HexEditModel& model = wnd->Model();
    EXPECT_GT(model.Layout().cellWidth, 1);
    QTest::keyClicks(wnd.get(), "aB");
    EXPECT_EQ(model.ByteAt(0), 0xAB);
    EXPECT_TRUE(model.IsModified(0));
    QTest::keyClick(wnd.get(), Qt::Key_Tab);  // stays in the window
    EXPECT_EQ(model.Pane(), PaneChar);
    EXPECT_TRUE(wnd->hasFocus());
    QTest::keyClick(wnd.get(), Qt::Key_Backspace);
    EXPECT_EQ(model.Caret(), 1u);
    QTest::keyClick(wnd.get(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(model.SelectionEnd(), 2);

    QTest::mouseClick(wnd->viewport(), Qt::LeftButton, {}, CellCenter(57, 2));
    EXPECT_EQ(model.Caret(), 32u);
    EXPECT_EQ(model.Pane(), PaneChar);
    EXPECT_FALSE(model.HasSelection());
}

TEST_F(HexEditWndTest, OnlyKeysThatMakeACharacterTypeOne) {
    Attach(std::vector<uint8_t>(0x20, 0x55));
    HexEditModel& model = wnd->Model();
    QTest::keyClick(wnd.get(), Qt::Key_Tab);  // the character pane
    ASSERT_EQ(model.Pane(), PaneChar);
    // A key as the window system sends it: key code, modifiers and the text
    // it carries (Delete carries 0x7F, Escape 0x1B).
    auto press = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(wnd.get(), &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(wnd.get(), &up);
    };
    // None of these types anything, whatever text it carries.
    press(Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
    press(Qt::Key_Insert, Qt::NoModifier, {});
    press(Qt::Key_F1, Qt::NoModifier, {});
    press(Qt::Key_Backspace, Qt::NoModifier, QString(QChar(8)));
    press(Qt::Key_X, Qt::AltModifier, "x");
    press(Qt::Key_1, Qt::ControlModifier, "1");
    press(Qt::Key_Z, Qt::ControlModifier, QString(QChar(26)));
    press(Qt::Key_V, Qt::ControlModifier, QString(QChar(22)));
    EXPECT_EQ(model.Caret(), 0u);
    for (uint32_t k = 0; k < 0x20; ++k) ASSERT_FALSE(model.IsModified(k)) << k;

    // These do: Enter, Escape, Ctrl with a letter, and printable characters,
    // one Latin-1 byte each.
    press(Qt::Key_Return, Qt::NoModifier, "\r");
    press(Qt::Key_Enter, Qt::KeypadModifier, "\r");
    press(Qt::Key_Escape, Qt::NoModifier, QString(QChar(0x1B)));
    press(Qt::Key_A, Qt::ControlModifier, QString(QChar(1)));
    press(Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)));
    press(Qt::Key_A, Qt::ShiftModifier, "A");
    press(Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)));  // no byte for it
    const uint8_t typed[] = {0x0D, 0x0D, 0x1B, 0x01, 0xE9, 'A'};
    for (uint32_t k = 0; k < sizeof typed; ++k) EXPECT_EQ(model.ByteAt(k), typed[k]) << k;
    EXPECT_EQ(model.ByteAt(6), 0x55);
    EXPECT_FALSE(model.IsModified(6));
    EXPECT_EQ(model.Caret(), 6u);

    // Ctrl+H is the Backspace character: one byte back, nothing changed.
    press(Qt::Key_H, Qt::ControlModifier, QString(QChar(8)));
    EXPECT_EQ(model.Caret(), 5u);
    EXPECT_EQ(model.ByteAt(5), 'A');
}

TEST_F(HexEditWndTest, ACopyOverItsLimitLeavesTheClipboardAsItWas) {
    dir.WriteData({});
    const uint64_t size = HexEditModel::kCopyLimitBytes + 0x10;
    std::filesystem::resize_file(dir.DataPath(), size);  // sparse: nothing written
    wnd->show();
    ASSERT_EQ(wnd->AttachDump(uint32_t(size), 0, dir.BasePath()), 0);
    wnd->setFocus();
    QApplication::clipboard()->setText("before");
    wnd->OnEditSelectAll();
    QTest::keyClick(wnd.get(), Qt::Key_C, Qt::ControlModifier);
    wnd->OnEditCopy();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
}

TEST_F(HexEditWndTest, CopyPutsBinaryDataBesideText) {
    Attach({0x41, 0x00, 0x42});
    wnd->OnEditSelectAll();
    EXPECT_TRUE(wnd->OnUpdateEditCopy());
    wnd->OnEditCopy();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->data(kBinaryDataMimeType), QByteArray("\x41\x00\x42", 3));
    EXPECT_EQ(mime->text(), "41 00 42 ");

    QApplication::clipboard()->clear();
    QTest::keyClick(wnd.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "41 00 42 ");
    EXPECT_EQ(wnd->Model().ByteAt(0), 0x41);
}

TEST_F(HexEditWndTest, PopupMenuOffersCopyOnlyWithASelection) {
    Attach(std::vector<uint8_t>(0x20));
    std::unique_ptr<QMenu> menu(wnd->CreatePopupMenu());
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "&Copy");
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), "Select &All");
    actions[2]->trigger();
    EXPECT_EQ(wnd->Model().SelectionEnd(), 0x20);
    menu.reset(wnd->CreatePopupMenu());
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
}

TEST_F(HexEditWndTest, ScrollBarFollowsTheModelsLines) {
    Attach(std::vector<uint8_t>(0x1000));
    const HexEditModel& model = wnd->Model();
    QScrollBar* bar = wnd->verticalScrollBar();
    const int page = int(model.Layout().linesPerPage);
    EXPECT_EQ(bar->maximum(), 256 - page);
    EXPECT_EQ(bar->pageStep(), page);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(model.Top(), 16u);
    EXPECT_EQ(bar->value(), 1);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);  // no such action here
    EXPECT_EQ(model.Top(), 16u);
    EXPECT_EQ(bar->value(), 1);
    // The caret's line is off the page: the first key only brings it back.
    QTest::keyClick(wnd.get(), Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 0);
    QTest::keyClick(wnd.get(), Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), page);

    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(wnd->viewport(), &event);
    };
    wheel(-120);  // one notch: a page towards the end
    EXPECT_EQ(bar->value(), 2 * page);
    wheel(60);
    EXPECT_EQ(bar->value(), 2 * page);
    wheel(60);  // half notches add up to one
    EXPECT_EQ(bar->value(), page);
}

TEST_F(HexEditWndTest, PaintingShowsChangedBytesInRed) {
    Attach(std::vector<uint8_t>(0x40, 0x11));
    QTest::keyClicks(wnd.get(), "2");
    const QImage image = wnd->viewport()->grab().toImage();
    const HexLayout& layout = wnd->Model().Layout();
    // Text is antialiased: count the pixels near the colour.
    auto countColour = [&](QRect area, QColor colour) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                count += std::abs(pixel.red() - colour.red()) < 60 &&
                         std::abs(pixel.green() - colour.green()) < 60 &&
                         std::abs(pixel.blue() - colour.blue()) < 60;
            }
        return count;
    };
    const QRect firstByte(layout.hexX, 0, 2 * layout.cellWidth, layout.cellHeight);
    const QRect secondByte(layout.hexX + 3 * layout.cellWidth, 0, 2 * layout.cellWidth,
                           layout.cellHeight);
    const QRect address(0, 0, 8 * layout.cellWidth, layout.cellHeight);
    EXPECT_GT(countColour(firstByte, QColor(255, 0, 0)), 0);
    EXPECT_EQ(countColour(secondByte, QColor(255, 0, 0)), 0);
    EXPECT_GT(countColour(secondByte, QColor(0, 0, 0)), 0);
    EXPECT_GT(countColour(address, QColor(0, 0, 0)), 0);
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), QColor(255, 255, 255));
}

TEST_F(HexEditWndTest, CharacterPaneCellsAgreeForClicksTypingAndPainting) {
    // Line r holds "#" in column r and blanks elsewhere; the last line is short.
    std::vector<uint8_t> bytes(16 * 16 + 6, ' ');
    for (int r = 0; r < 16; ++r) bytes[r * 16 + r] = '#';
    bytes[16 * 16 + 4] = '#';
    wnd->resize(800, 420);
    Attach(bytes, 0xF7000000);
    const HexLayout& layout = wnd->Model().Layout();
    ASSERT_GE(layout.linesPerPage, 17u);
    const int cw = layout.cellWidth;
    const int ch = layout.cellHeight;
    // The column whose cell holds the ink of a line, by the ink's middle.
    auto paintedColumn = [&](const QImage& image, int row, bool red) {
        const auto [first, last] = InkColumns(image, row * ch, (row + 1) * ch, layout.charX - cw,
                                              layout.charX + 17 * cw, red);
        return first < 0 ? -99 : ((first + last) / 2 - layout.charX) / cw;
    };

    QImage image = wnd->viewport()->grab().toImage();
    for (int row = 0; row < 17; ++row)
        EXPECT_EQ(paintedColumn(image, row, false), row == 16 ? 4 : row) << "line " << row;

    // Click each cell of line F7000050 and type: that byte changes, nothing
    // else, and it is painted red in that cell.
    const int row = 5;
    for (int column = 0; column < 16; ++column) {
        QTest::mouseClick(wnd->viewport(), Qt::LeftButton, {},
                          CellCenter(layout.charX / cw + column, row), 1000);
        ASSERT_EQ(wnd->Model().Pane(), PaneChar);
        ASSERT_EQ(wnd->Model().Caret(), uint32_t(0x50 + column));
        QTest::keyClicks(wnd.get(), "Z");
        const std::vector<uint8_t> file = dir.ReadFile(dir.DataPath());
        for (int k = 0; k < 16; ++k) {
            const uint8_t expected = k <= column ? 'Z' : bytes[0x50 + k];
            ASSERT_EQ(file[0x50 + k], expected) << "typed " << column << ", byte " << k;
        }
        image = wnd->viewport()->grab().toImage();
        const auto [first, last] = InkColumns(image, row * ch, (row + 1) * ch, layout.charX - cw,
                                              layout.charX + 17 * cw, true);
        EXPECT_GE(first, layout.charX) << column;
        EXPECT_LT(last, layout.charX + (column + 1) * cw) << column;
        EXPECT_GE(last, layout.charX + column * cw) << column;
    }

    // A selection is highlighted from its first cell on.
    QTest::mouseClick(wnd->viewport(), Qt::LeftButton, {}, CellCenter(layout.charX / cw + 2, 8));
    QTest::mouseClick(wnd->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      CellCenter(layout.charX / cw + 6, 8), 1000);
    ASSERT_EQ(wnd->Model().SelectionEnd(), 0x86);
    image = wnd->viewport()->grab().toImage();
    const QColor highlight = wnd->palette().color(QPalette::Active, QPalette::Highlight);
    const int y = 8 * ch + ch / 2;
    EXPECT_NE(image.pixelColor(layout.charX + 2 * cw - 1, y), highlight);
    EXPECT_EQ(image.pixelColor(layout.charX + 2 * cw, y), highlight);
    EXPECT_EQ(image.pixelColor(layout.charX + 6 * cw - 1, y), highlight);
    EXPECT_NE(image.pixelColor(layout.charX + 6 * cw, y), highlight);
}

TEST_F(HexEditWndTest, DraggingTheThumbToEitherEndOfTwoGigabytesShowsTheFirstOrLastLine) {
    dir.WriteData({});
    const uint32_t size = 0x7FFFFFFF;
    std::filesystem::resize_file(dir.DataPath(), size);  // sparse: nothing written
    wnd->show();
    ASSERT_EQ(wnd->AttachDump(size, 0, dir.BasePath()), 0);
    QApplication::processEvents();
    QScrollBar* bar = wnd->verticalScrollBar();
    const HexEditModel& model = wnd->Model();
    // The thumb sits just inside the arrow (a square of the bar's width) at
    // either end; it is dragged past the other end of the bar.
    const int x = bar->width() / 2;
    const int nearTop = bar->width() + 3;
    const int nearBottom = bar->height() - bar->width() - 3;
    for (const bool down : {true, false}) {
        const int from = down ? nearTop : nearBottom;
        const int to = down ? bar->height() + 30 : -30;
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(x, from));
        for (int y = from; down ? y < to : y > to; y += down ? 6 : -6)
            QTest::mouseMove(bar, QPoint(x, y));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(x, to));
        EXPECT_EQ(bar->value(), down ? bar->maximum() : 0);
        // The last page ends with the last line, 7FFFFFF0.
        EXPECT_EQ(model.Top(), down ? 0x7FFFFFF0u - (model.Layout().linesPerPage - 1) * 16 : 0u);
    }
}
