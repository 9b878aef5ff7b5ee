// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>

#include "AppTestHarness.h"
#include "PciViewFixture.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/ProductViews.h"
#include "forms/DialogUnits.h"
#include "pci/CBrxPciView.h"
#include "pci/CFieldPane.h"
#include "support/InProcessDriver.h"
#include "support/MachineJson.h"

namespace {

constexpr uint32_t kCapList = 1u << 20;

std::string SmallMachine() {
    std::string json = MachineJson(
        {{"00:00.0", {{0x00, 0x12348086}, {0x08, 0x06000000}}},
         {"01:00.0", {{0x00, 0xA808144D}, {0x04, kCapList}, {0x34, 0x40}, {0x40, 0x0010}}}});
    json.insert(1, R"("ecam": {"base": "0xE0000000"}, )");
    return json;
}

// The view on a small machine.
class PciViewTest : public PciViewFixture {
  protected:
    void SetUp() override { Open(SmallMachine()); }
};

}  // namespace

TEST_F(PciViewTest, InitialUpdateLaysOutTheFormAndFillsTheBoxes) {
    // The application font's units, widened where a text would not fit.
    const DialogUnits fontUnits(QApplication::font());
    const DialogUnits& units = view->Units();
    EXPECT_GE(units.AverageCharWidth(), fontUnits.AverageCharWidth());
    EXPECT_EQ(units.CharHeight(), fontUnits.CharHeight());
    // Grown downward by the field pane; the Part's controls stay where they were.
    EXPECT_EQ(view->FormSize(), QSize(units.X(338), units.Y(312)));
    for (QLabel* label : view->findChildren<QLabel*>())
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    for (QRadioButton* radio : view->findChildren<QRadioButton*>())
        EXPECT_GE(radio->width(), radio->sizeHint().width()) << radio->text().toStdString();
    for (QPushButton* button : view->findChildren<QPushButton*>())
        EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()));
    EXPECT_EQ(view->RegisterList()->geometry().topLeft(), QPoint(units.X(168), units.Y(18)));
    EXPECT_EQ(view->ScanButton()->geometry(), units.Rect(7, 122, 61, 14));
    EXPECT_EQ(view->ScanButton()->text(), "Scan all  devices");

    QComboBox* base = view->BaseAddressBox();
    ASSERT_EQ(base->count(), 9);
    EXPECT_EQ(base->itemText(0), "80000000");
    EXPECT_EQ(base->currentText(), "Auto");
    EXPECT_TRUE(base->isEditable());
    EXPECT_EQ(view->BusBox()->count(), 256);
    EXPECT_EQ(view->DeviceBox()->count(), 32);
    EXPECT_EQ(view->FunctionBox()->itemText(7), "07");
    EXPECT_EQ(view->BusBox()->currentIndex(), -1);
    EXPECT_EQ(view->DeviceList()->count(), 0);
    EXPECT_TRUE(view->FilterButton(3)->isChecked());
    EXPECT_EQ(view->ValueField()->maxLength(), 8);
    EXPECT_EQ(view->SearchField()->maxLength(), 8);
    EXPECT_TRUE(view->AddressField()->isReadOnly());
    EXPECT_EQ(view->RegisterListTitle()->text(), "Register List");
    EXPECT_EQ(view->DeviceListLabel()->text(), "PCI and PCI Express Devices");

    QTreeWidget* list = view->RegisterList();
    ASSERT_EQ(list->columnCount(), 4);
    const char* headings[] = {"Offset", "Value (Hex)", "Description", "Decoded"};
    const int widths[] = {50, 90, 200, 360};
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(list->headerItem()->text(column), headings[column]);
        EXPECT_EQ(list->columnWidth(column), widths[column]);
    }
    EXPECT_EQ(list->headerItem()->textAlignment(0) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(list->headerItem()->textAlignment(2) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(PciViewTest, RegisterListAndFieldPaneKeepTenPixelsToTheEdgesAfterResizing) {
    const DialogUnits& units = view->Units();
    for (QSize size : {QSize(900, 640), QSize(520, 400)}) {
        view->resize(size);
        const QRect list = view->RegisterList()->geometry();
        EXPECT_EQ(list.x() + list.width(), size.width() - 10);
        const QRect title = view->RegisterListTitle()->geometry();
        EXPECT_EQ(title.x() + title.width(), size.width() - 10);
        // The pane keeps its height at the bottom; the list ends above it,
        // as far from the pane's line as in the form.
        const QRect pane = view->FieldPane()->geometry();
        EXPECT_EQ(pane.x() + pane.width(), size.width() - 10);
        EXPECT_EQ(pane.y() + pane.height(), size.height() - 10);
        EXPECT_EQ(pane.height(), units.Rect(7, 225, 324, 80).height());
        const QRect interval = view->WatchInterval()->geometry();
        EXPECT_EQ(interval.x() + interval.width(), size.width() - 10);
        EXPECT_LT(interval.y() + interval.height(), pane.y());
        EXPECT_LT(list.y() + list.height(), interval.y());
    }
}

TEST_F(PciViewTest, ScanSelectAndWriteThroughTheControls) {
    view->ScanButton()->click();
    QComboBox* devices = view->DeviceList();
    ASSERT_EQ(devices->count(), 3);
    EXPECT_EQ(devices->itemText(2), "N/A");
    EXPECT_EQ(devices->currentIndex(), 0);
    EXPECT_EQ(view->BusBox()->currentIndex(), 0);
    EXPECT_EQ(view->RegisterList()->topLevelItemCount(), 64);
    EXPECT_EQ(view->AddressField()->text(), "80000000");
    const QFontMetrics metrics(devices->font());
    EXPECT_GT(devices->view()->minimumWidth(), metrics.horizontalAdvance(devices->itemText(0)));

    // "N/A" shows the function above it, the PCI Express one.
    Choose(devices, 2);
    EXPECT_EQ(devices->currentIndex(), 1);
    EXPECT_EQ(view->RegisterList()->topLevelItemCount(), 1024);
    EXPECT_EQ(view->AddressField()->text(), "E0100000");
    EXPECT_EQ(view->BusBox()->currentText(), "01");

    QTreeWidget* list = view->RegisterList();
    list->setCurrentItem(list->topLevelItem(0x10 / 4));
    EXPECT_EQ(view->AddressField()->text(), "E0100010");
    EXPECT_EQ(view->RegisterAddressLabel()->text(),
              "PCI Configuration Space Register:  0xE0100010");
    EXPECT_EQ(view->ValueField()->text(), "00000000");
    view->ValueField()->setText("12345678");
    view->WriteButton()->click();
    EXPECT_EQ(list->topLevelItem(0x10 / 4)->text(1), "12345678");
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_TRUE(view->ValueField()->text().isEmpty());

    // An unlisted function by number selects "N/A".
    Choose(view->DeviceBox(), 5);
    EXPECT_EQ(devices->currentIndex(), 2);
    EXPECT_TRUE(Texts().empty());
}

TEST_F(PciViewTest, InputErrorsShowTheMessageAndFocusTheField) {
    view->BaseAddressBox()->setEditText("auto");
    Choose(view->BusBox(), 1);
    Choose(view->DeviceBox(), 0);
    Choose(view->FunctionBox(), 0);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Input PCI Express memory mapped base address error!"});
    EXPECT_TRUE(view->BaseAddressBox()->hasFocus());
    EXPECT_EQ(view->RegisterList()->topLevelItemCount(), 0);

    view->BaseAddressBox()->setEditText("e0000000");
    view->RefreshButton()->click();
    EXPECT_EQ(view->RegisterList()->topLevelItemCount(), 1024);
    view->ValueField()->setText("xyz");
    view->WriteButton()->click();
    EXPECT_EQ(Texts().back(), "Input Data Error!");
    EXPECT_TRUE(view->ValueField()->hasFocus());

    view->FindNextButton()->click();
    EXPECT_EQ(Texts().back(), "Input Device ID or Vendor ID Error!");
    EXPECT_TRUE(view->SearchField()->hasFocus());

    // Filter clicks before a scan do nothing; Find Next scans first.
    view->FilterButton(1)->click();
    EXPECT_EQ(view->DeviceList()->count(), 0);
    view->FilterButton(3)->click();
    view->SearchField()->setText("144d");
    view->FindNextButton()->click();
    EXPECT_EQ(view->DeviceList()->currentIndex(), 1);
    view->FilterButton(1)->click();
    EXPECT_EQ(view->DeviceListLabel()->text(), "PCI Devices");
    EXPECT_EQ(view->DeviceList()->count(), 2);
}

TEST_F(PciViewTest, EditCommandsFollowTheFocusedField) {
    QApplication::clipboard()->setText("ABCD");
    view->RegisterList()->setFocus();
    EXPECT_FALSE(view->OnUpdateEditCopy());
    EXPECT_FALSE(view->OnUpdateEditPaste());

    QLineEdit* value = view->ValueField();
    value->setFocus();
    EXPECT_FALSE(view->OnUpdateEditCut());
    EXPECT_TRUE(view->OnUpdateEditPaste());
    view->OnEditPaste();
    EXPECT_EQ(value->text(), "ABCD");
    value->selectAll();
    EXPECT_TRUE(view->OnUpdateEditCut());
    view->OnEditCut();
    EXPECT_TRUE(value->text().isEmpty());
    EXPECT_EQ(QApplication::clipboard()->text(), "ABCD");

    // The read-only address field copies but takes no paste and keeps its text.
    view->ScanButton()->click();
    QLineEdit* address = view->AddressField();
    address->setFocus();
    address->selectAll();
    EXPECT_TRUE(view->OnUpdateEditCopy());
    EXPECT_FALSE(view->OnUpdateEditPaste());
    view->OnEditCut();
    EXPECT_EQ(address->text(), "80000000");
    EXPECT_EQ(QApplication::clipboard()->text(), "80000000");

    // The editable base address box takes part as an edit field.
    view->BaseAddressBox()->setFocus();
    EXPECT_TRUE(view->OnUpdateEditPaste());
}

class PciWindowAppTest : public AppTest {};

TEST_F(PciWindowAppTest, FileNewOpensTheWindowOnTheBuiltinMachine) {
    auto driver = InProcessDriver::FromMachineFile(std::string(TARVOLENT_SOURCE_DIR) +
                                                   "/data/machines/workstation.json");
    ASSERT_TRUE(driver);
    ScopedOverride<DeviceIo> device(*driver);
    ASSERT_EQ(StartApp(ProductViews()), CBorealixApp::Startup::Running);

    QAction* open = nullptr;
    for (QAction* menu : Frame().menuBar()->actions()) {
        if (menu->text() != "&File") continue;
        for (QAction* item : menu->menu()->actions())
            if (item->menu())
                for (QAction* feature : item->menu()->actions())
                    if (feature->text() == "PCI Read/Write") open = feature;
    }
    ASSERT_TRUE(open);
    open->trigger();
    ProcessEvents();

    CChildFrame* frame = Frame().ActiveChildFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->windowTitle(), "Tarvolent");
    auto* view = qobject_cast<CBrxPciView*>(frame->GetActiveView());
    ASSERT_TRUE(view);
    // The frame fits the form.
    EXPECT_EQ(view->size(), view->FormSize());

    EXPECT_FALSE(view->SegmentBox()->isVisibleTo(view));
    view->ScanButton()->click();
    EXPECT_EQ(view->DeviceList()->count(), 20);
    EXPECT_EQ(view->DeviceList()->itemText(19), "N/A");
    EXPECT_EQ(view->RegisterList()->topLevelItemCount(), 64);
    EXPECT_EQ(view->RegisterList()->topLevelItem(0)->text(1), "3E308086");
    EXPECT_TRUE(messages_.messages.empty());

    // Its second segment brings the Segment box, clear of every other control.
    QComboBox* segments = view->SegmentBox();
    ASSERT_TRUE(segments->isVisibleTo(view));
    ASSERT_EQ(segments->count(), 2);
    EXPECT_EQ(segments->itemText(1), "0001");
    for (QWidget* control : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control == segments || !control->isVisibleTo(view)) continue;
        if (qobject_cast<QLabel*>(control) && control->geometry().bottom() < segments->y())
            continue;  // its label, above it
        EXPECT_FALSE(control->geometry().intersects(segments->geometry()))
            << control->metaObject()->className();
    }
    view->DeviceList()->setCurrentIndex(18);
    emit view->DeviceList()->activated(18);
    EXPECT_EQ(segments->currentText(), "0001");
    EXPECT_EQ(view->RegisterList()->topLevelItem(0)->text(1), "09A28086");
}
