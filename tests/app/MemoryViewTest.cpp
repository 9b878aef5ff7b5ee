// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>

#include "AppTestHarness.h"
#include "app/CBorealixDoc.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/ProductViews.h"
#include "hw/DriverChannel.h"
#include "memory/dump/CBrxMemoryView.h"
#include "pci/CBrxPciView.h"
#include "support/CountingHex.h"
#include "support/FileText.h"
#include "support/HexDumpDirectory.h"
#include "support/InProcessDriver.h"
#include "support/MachineJson.h"
#include "support/RecordingSaveFileDialog.h"
#include "support/ScratchDirectory.h"

namespace {

// One function whose registers 3 to 10 hold a 32-bit and a 64-bit memory
// register, the 64-bit one's upper half, I/O and zero values, and 0x400
// counting bytes of memory at FEBF0000.
std::string BarMachine() {
    std::string json = MachineJson({{"00:00.0",
                                     {{0x00, 0x12348086},
                                      {0x0C, 0xFEBF0000},
                                      {0x10, 0xFEBF0000},
                                      {0x14, 0xFEBF000C},
                                      {0x18, 0},
                                      {0x1C, 0xE001},
                                      {0x28, 0xFEBF0000}}}});
    json.insert(1, R"("memory": [{"base": "0xFEBF0000", "size": "0x400", "hex": ")" +
                       CountingHex(0x400) + R"("}], )");
    return json;
}

// The product's windows on a simulated machine, temporary files in a
// scratch directory.
class MemoryViewTest : public AppTest {
  protected:
    void SetUp() override {
        system_.tempPath = dir_.Path().string() + "/";
        driver_ = InProcessDriver::FromMachineJson(BarMachine());
        ASSERT_TRUE(driver_);
        device_ = std::make_unique<ScopedOverride<DeviceIo>>(*driver_);
        ASSERT_EQ(StartApp(ProductViews()), CBorealixApp::Startup::Running);
    }
    void TearDown() override { device_.reset(); }

    QWidget* ActiveView() {
        ProcessEvents();
        CChildFrame* child = Frame().ActiveChildFrame();
        return child ? child->GetActiveView() : nullptr;
    }
    CBrxMemoryView* OpenMemoryWindow() {
        App().Template(kMemoryDumpSlot)->OpenDocumentFile(Frame().MdiClient());
        auto* view = qobject_cast<CBrxMemoryView*>(ActiveView());
        if (view) view->window()->activateWindow();
        return view;
    }
    CBrxPciView* OpenScannedPciWindow() {
        App().OpenFeature("PCI Read/Write");
        auto* view = qobject_cast<CBrxPciView*>(ActiveView());
        if (view) view->ScanButton()->click();
        return view;
    }
    static void DoubleClickRow(CBrxPciView* pci, int row) {
        QTreeWidget* list = pci->RegisterList();
        // In the first column: the row reaches beyond what the list shows.
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(8, rect.center().y()));
        ProcessEvents();
    }
    int WindowCount() { return static_cast<int>(Frame().MdiClient().subWindowList().size()); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages_.messages) texts.push_back(m.text);
        return texts;
    }

    ScratchDirectory dir_;
    std::unique_ptr<InProcessDriver> driver_;
    std::unique_ptr<ScopedOverride<DeviceIo>> device_;
};

}  // namespace

TEST_F(MemoryViewTest, DoubleClickOnAMemoryBaseAddressRegisterOpensItsDump) {
    CBrxPciView* pci = OpenScannedPciWindow();
    ASSERT_TRUE(pci);
    ASSERT_GE(pci->RegisterList()->topLevelItemCount(), 11);

    DoubleClickRow(pci, 4);
    auto* memory = qobject_cast<CBrxMemoryView*>(ActiveView());
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->AddressField()->text(), "FEBF0000");
    EXPECT_EQ(memory->SizeField()->text(), "00000400");
    EXPECT_EQ(memory->HexWindow()->Model().Size(), 0x400u);
    EXPECT_EQ(memory->HexWindow()->Model().BaseAddress(), 0xFEBF0000u);
    EXPECT_TRUE(memory->HexWindow()->isEnabled());
    EXPECT_TRUE(memory->SearchButton()->isEnabled());
    EXPECT_EQ(memory->Model().TempBase(), dir_.Path().string() + "/Memory1");
    const std::vector<uint8_t> counting = HexDumpDirectory::Counting(0x400);
    EXPECT_EQ(ReadWholeFile(memory->Model().TempBase() + ".tmp"),
              std::string(counting.begin(), counting.end()));

    // The flag bits are no part of the address: the dump starts at the
    // region's first byte.
    pci->RegisterList()->setCurrentItem(pci->RegisterList()->topLevelItem(5));
    pci->OnRegisterDblClk();
    memory = qobject_cast<CBrxMemoryView*>(ActiveView());
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->Model().BaseAddress(), 0xFEBF0000u);
    EXPECT_EQ(memory->AddressField()->text(), "FEBF0000");
    EXPECT_EQ(WindowCount(), 3);

    // An upper half, I/O space, and rows outside the six registers open nothing.
    for (int row : {6, 7, 3, 10}) {
        pci->RegisterList()->setCurrentItem(pci->RegisterList()->topLevelItem(row));
        pci->OnRegisterDblClk();
        EXPECT_EQ(WindowCount(), 3) << row;
    }
    // Every double-click opens one more window, with files of its own.
    pci->RegisterList()->setCurrentItem(pci->RegisterList()->topLevelItem(4));
    pci->OnRegisterDblClk();
    pci->OnRegisterDblClk();
    EXPECT_EQ(WindowCount(), 5);
    memory = qobject_cast<CBrxMemoryView*>(ActiveView());
    ASSERT_TRUE(memory);
    EXPECT_EQ(memory->Model().TempBase(), dir_.Path().string() + "/Memory4");
    EXPECT_TRUE(messages_.messages.empty());

    pci->RegisterList()->clearSelection();
    pci->OnRegisterDblClk();
    EXPECT_EQ(Texts(), std::vector<std::string>{"No items were selected!\n"});
    EXPECT_EQ(WindowCount(), 5);
}

TEST_F(MemoryViewTest, FormStartsWithoutADumpAndRejectsBadFieldsWithFocus) {
    CBrxMemoryView* view = OpenMemoryWindow();
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->HexWindow()->isEnabled());
    EXPECT_FALSE(view->SearchButton()->isEnabled());
    EXPECT_TRUE(view->AsciiModeButton()->isChecked());
    EXPECT_TRUE(view->CaseSensitiveBox()->isEnabled());
    EXPECT_FALSE(view->CaseSensitiveBox()->isChecked());
    EXPECT_EQ(view->HexWindow()->Model().Layout().bytesPerLine, 16u);

    view->AddressField()->setText("0x1000");
    view->SizeField()->setText("100");
    view->DumpButton()->click();
    EXPECT_EQ(Texts(), std::vector<std::string>{"Input Memory Address Error!"});
    EXPECT_TRUE(view->AddressField()->hasFocus());
    view->AddressField()->setText("FEBF0000");
    view->SizeField()->setText("");
    view->DumpButton()->click();
    EXPECT_EQ(Texts().back(), "Input Memory Size Error!");
    EXPECT_TRUE(view->SizeField()->hasFocus());
    EXPECT_FALSE(view->HexWindow()->isEnabled());

    // HEX Mode greys "Case sensitive" but keeps its check.
    view->CaseSensitiveBox()->setChecked(true);
    view->HexModeButton()->click();
    EXPECT_FALSE(view->CaseSensitiveBox()->isEnabled());
    EXPECT_TRUE(view->CaseSensitiveBox()->isChecked());
    view->AsciiModeButton()->click();
    EXPECT_TRUE(view->CaseSensitiveBox()->isEnabled());
}

TEST_F(MemoryViewTest, SearchBoxShowsTheHistoryAndClearEndsTheDump) {
    CBrxMemoryView* view = OpenMemoryWindow();
    ASSERT_TRUE(view);
    view->DumpAt(0xFEBF0000, 0x100);
    ASSERT_TRUE(view->SearchButton()->isEnabled());
    view->HexModeButton()->click();
    for (const char* text : {"41", "zz", "41"}) {
        view->SearchBox()->setEditText(text);
        view->SearchButton()->click();
    }
    // The repeat searches on from the first match, and there is no second one.
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Input data invalid!", "String not found!"}));
    ASSERT_EQ(view->SearchBox()->count(), 2);
    EXPECT_EQ(view->SearchBox()->itemText(0), "41");
    EXPECT_EQ(view->SearchBox()->itemText(1), "zz");
    EXPECT_EQ(view->SearchBox()->currentText(), "41");
    EXPECT_EQ(view->HexWindow()->Model().Caret(), 0x41u);

    view->ClearButton()->click();
    EXPECT_FALSE(view->HexWindow()->isEnabled());
    EXPECT_FALSE(view->SearchButton()->isEnabled());
    EXPECT_EQ(view->Model().Size(), 0u);
    // Clear keeps the files; closing the window removes them.
    const std::string base = view->Model().TempBase();
    EXPECT_TRUE(std::filesystem::exists(base + ".tmp"));
    Frame().MdiClient().closeAllSubWindows();
    ProcessEvents();
    EXPECT_FALSE(std::filesystem::exists(base + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(base + "map.tmp"));
}

TEST_F(MemoryViewTest, SaveOfTheActiveMemoryWindowWritesItsRawBytes) {
    RecordingSaveFileDialog dialog;
    ScopedOverride<SaveFileDialog> dialogOverride(dialog);
    dialog.answer = (dir_.Path() / "hwinfo.log").string();
    CBrxMemoryView* view = OpenMemoryWindow();
    ASSERT_TRUE(view);

    ProcessEvents();
    Frame().CommandAction(cmd::Save)->trigger();
    EXPECT_EQ(Texts(), std::vector<std::string>{"No Data To Save!"});
    EXPECT_EQ(ReadWholeFile(*dialog.answer), "");

    view->DumpAt(0xFEBF0000, 0x20);
    HexEditModel& hex = view->HexWindow()->Model();
    hex.KeyDown(HexKey::Tab, false, false);  // from the hex pane to the characters
    hex.Char('Z', false);
    ASSERT_TRUE(hex.IsModified(0));
    Frame().CommandAction(cmd::Save)->trigger();
    std::vector<uint8_t> expected = HexDumpDirectory::Counting(0x20);
    expected[0] = 'Z';
    EXPECT_EQ(ReadWholeFile(*dialog.answer), std::string(expected.begin(), expected.end()));
}

TEST_F(MemoryViewTest, CancelInTheProgressDialogLeavesNothingHalfDone) {
    RecordingSaveFileDialog dialog;
    ScopedOverride<SaveFileDialog> dialogOverride(dialog);
    dialog.answer = (dir_.Path() / "hwinfo.log").string();
    CBrxMemoryView* view = OpenMemoryWindow();
    ASSERT_TRUE(view);
    view->DumpAt(0xFEBF0000, 0x100);
    view->SearchBox()->setEditText("41");
    view->HexModeButton()->click();
    view->SearchButton()->click();
    ASSERT_EQ(view->HexWindow()->Model().Caret(), 0x41u);
    view->SetProgressDelay(std::chrono::milliseconds(0));
    // The user presses Cancel as soon as the dialog is up.
    int shown = 0;
    auto cancelWhenShown = [&shown] {
        QTimer::singleShot(0, [&shown] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* progress = qobject_cast<QProgressDialog*>(widget);
                if (!progress || !progress->isVisible()) continue;
                ++shown;
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            }
        });
    };

    // A cancelled search: caret, selection, the box and its history as they were.
    view->SearchBox()->setEditText("4243");
    cancelWhenShown();
    view->SearchButton()->click();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(view->HexWindow()->Model().Caret(), 0x41u);
    EXPECT_EQ(view->HexWindow()->Model().SelectionEnd(), 0x42);
    EXPECT_EQ(view->SearchBox()->currentText(), "4243");
    EXPECT_EQ(view->SearchBox()->count(), 1);
    EXPECT_EQ(view->Model().SearchHistory(), std::vector<std::string>{"41"});

    // A cancelled save leaves no file that could pass for the dump.
    cancelWhenShown();
    Frame().CommandAction(cmd::Save)->trigger();
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(std::filesystem::exists(*dialog.answer));

    // A cancelled dump shows no dump at all, and keeps no data file.
    cancelWhenShown();
    view->DumpAt(0xFEBF0000, 0x400);
    EXPECT_EQ(shown, 3);
    EXPECT_FALSE(view->Model().HasDump());
    EXPECT_FALSE(view->HexWindow()->isEnabled());
    EXPECT_FALSE(view->SearchButton()->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(view->Model().TempBase() + ".tmp"));
    EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(MemoryViewTest, EditCommandsServeTheFocusedField) {
    CBrxMemoryView* view = OpenMemoryWindow();
    ASSERT_TRUE(view);
    view->AddressField()->setText("C0000");
    view->AddressField()->setFocus();
    ProcessEvents();
    EXPECT_FALSE(view->OnUpdateEditCopy());
    view->AddressField()->selectAll();
    EXPECT_TRUE(view->OnUpdateEditCut());
    view->OnEditCut();
    EXPECT_EQ(view->AddressField()->text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "C0000");

    view->SearchBox()->setFocus();
    ProcessEvents();
    EXPECT_TRUE(view->OnUpdateEditPaste());
    view->OnEditPaste();
    EXPECT_EQ(view->SearchBox()->currentText(), "C0000");
    // The hex window has its own copy; the form's commands leave it alone.
    view->DumpAt(0xFEBF0000, 0x10);
    view->HexWindow()->setFocus();
    ProcessEvents();
    ASSERT_TRUE(view->HexWindow()->hasFocus());
    ProcessEvents();
    EXPECT_FALSE(view->OnUpdateEditPaste());
}

TEST_F(MemoryViewTest, MainFrameEditCommandsReachTheFormByName) {
    CBrxMemoryView* view = OpenMemoryWindow();
    ASSERT_TRUE(view);
    view->AddressField()->setText("C0000");
    view->AddressField()->setFocus();
    view->AddressField()->selectAll();
    ProcessEvents();
    Frame().RefreshCommandsAndTitle();
    QAction* cut = Frame().CommandAction(cmd::EditCut);
    ASSERT_TRUE(cut->isEnabled());
    cut->trigger();
    EXPECT_EQ(view->AddressField()->text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "C0000");

    Frame().RefreshCommandsAndTitle();
    EXPECT_FALSE(Frame().CommandAction(cmd::EditCopy)->isEnabled());
    QAction* paste = Frame().CommandAction(cmd::EditPaste);
    ASSERT_TRUE(paste->isEnabled());
    paste->trigger();
    EXPECT_EQ(view->AddressField()->text(), "C0000");
}

TEST_F(MemoryViewTest, ClosingOrLeavingAsksWhatBecomesOfUnwrittenChanges) {
    // The caption's close button closes the window as close() does.
    enum class Way { WindowClose, FileClose, FileExit };
    struct Case {
        Way way;
        MessageAnswer answer;
        bool closes;
        bool written;
    };
    const Case cases[] = {
        {Way::FileClose, MessageAnswer::Cancel, false, false},
        {Way::FileClose, MessageAnswer::No, true, false},
        {Way::FileClose, MessageAnswer::Yes, true, true},
        {Way::WindowClose, MessageAnswer::Cancel, false, false},
        {Way::WindowClose, MessageAnswer::No, true, false},
        {Way::FileExit, MessageAnswer::Cancel, false, false},
        {Way::FileExit, MessageAnswer::Yes, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.way) * 10 + int(c.answer));
        CBrxMemoryView* view = OpenMemoryWindow();
        ASSERT_TRUE(view);
        view->DumpAt(0xFEBF0000, 0x10);
        // Typed with the keys: "EE" over the first byte.
        view->HexWindow()->setFocus();
        QTest::keyClicks(view->HexWindow(), "EE");
        ASSERT_TRUE(view->HexWindow()->Model().IsModified(0));
        WritePhysicalMemory(0xFEBF0000, "\0", 1);
        QPointer<QMdiSubWindow> frame = Frame().MdiClient().activeSubWindow();
        const int windows = WindowCount();
        messages_.messages.clear();
        messages_.answers = {c.answer};

        if (c.way == Way::WindowClose)
            frame->close();
        else
            ASSERT_TRUE(ChooseMenuItem("&File", c.way == Way::FileClose ? "&Close" : "E&xit"));
        ProcessEvents();

        ASSERT_EQ(messages_.messages.size(), 1u);
        EXPECT_TRUE(messages_.messages[0].question);
        EXPECT_EQ(messages_.messages[0].text, "Write the changed bytes to memory?");
        EXPECT_EQ(messages_.messages[0].title, "TARVOLENT");
        std::vector<uint8_t> memory(1);
        ReadPhysicalMemory(0xFEBF0000, memory.data(), 1);
        EXPECT_EQ(memory[0] == 0xEE, c.written);
        if (c.way == Way::FileExit) {
            // Leaving closes the main window; its windows go with the program.
            EXPECT_EQ(Frame().isVisible(), !c.closes);
            EXPECT_EQ(WindowCount(), windows);
            Frame().show();
        } else {
            EXPECT_EQ(frame.isNull(), c.closes);
            EXPECT_EQ(WindowCount(), windows - (c.closes ? 1 : 0));
        }
        if (!frame.isNull()) {
            // Cancelled: the dump and its red byte are as they were.
            EXPECT_EQ(view->HexWindow()->Model().ByteAt(0), 0xEE);
            EXPECT_EQ(view->HexWindow()->Model().IsModified(0), !c.written);
            // Gone without its changes, so the next case is asked alone.
            messages_.answers = {MessageAnswer::No};
            frame->close();
            ProcessEvents();
        }
    }
}

TEST_F(MemoryViewTest, ToolBarCopyFollowsTheSelectionOfTheHexWindow) {
    CBrxMemoryView* view = OpenMemoryWindow();
    ASSERT_TRUE(view);
    view->DumpAt(0xFEBF0000, 0x40);
    CHexEditWnd* hex = view->HexWindow();
    QAction* copy = Frame().CommandAction(cmd::EditCopy);
    QWidget* button = Frame().ToolBar().widgetForAction(copy);
    ASSERT_NE(button, nullptr);
    const HexLayout& layout = hex->Model().Layout();
    auto cell = [&](int column, int row) {
        return QPoint(column * layout.cellWidth + layout.cellWidth / 2,
                      row * layout.cellHeight + layout.cellHeight / 2);
    };

    // A click without a drag: focus, no selection, Copy stays grey.
    QTest::mouseClick(hex->viewport(), Qt::LeftButton, {}, cell(9, 0));
    ProcessEvents();
    ASSERT_TRUE(hex->hasFocus());
    EXPECT_FALSE(copy->isEnabled());
    // A drag over bytes 1 to 3 selects them: the button wakes as the menu's item does.
    QTest::mousePress(hex->viewport(), Qt::LeftButton, {}, cell(12, 0), 1000);
    QTest::mouseMove(hex->viewport(), cell(15, 0));
    QTest::mouseMove(hex->viewport(), cell(18, 0));
    QTest::mouseRelease(hex->viewport(), Qt::LeftButton, {}, cell(18, 0));
    ProcessEvents();
    ASSERT_TRUE(hex->Model().HasSelection());
    std::unique_ptr<QMenu> popup(hex->CreatePopupMenu());
    EXPECT_TRUE(popup->actions()[0]->isEnabled());
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_FALSE(Frame().CommandAction(cmd::EditPaste)->isEnabled());
    QApplication::clipboard()->clear();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), "01 02 03 ");
    EXPECT_TRUE(hex->hasFocus());

    // A key that drops the selection greys it again.
    QTest::keyClick(hex, Qt::Key_Right);
    ProcessEvents();
    EXPECT_FALSE(hex->Model().HasSelection());
    EXPECT_FALSE(copy->isEnabled());
    // In a field the field's selection counts, not the hex window's.
    QTest::keyClick(hex, Qt::Key_Right, Qt::ShiftModifier);
    view->AddressField()->setFocus();
    ProcessEvents();
    EXPECT_FALSE(copy->isEnabled());
}
