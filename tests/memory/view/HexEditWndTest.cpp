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
    void Attach(const std::vector<uint8_t>& bytes) {
        dir.WriteData(bytes);
        wnd->show();
        QApplication::processEvents();
        ASSERT_EQ(wnd->AttachDump(uint32_t(bytes.size()), 0xC0000, dir.BasePath()), 0);
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
