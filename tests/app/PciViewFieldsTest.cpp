// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "PciViewFixture.h"
#include "driver/DriverBackend.h"
#include "pci/CFieldPane.h"
#include "pci/PciWindowFixture.h"
#include "support/MachineJson.h"

namespace {

constexpr uint32_t kCapList = 1u << 20;
const FunctionAddress kPlainAddress{1, 2, 3};

// A PCI Express endpoint at 01:00.0 (128-byte payloads set, a correctable
// error pending, link 8GT/s x4) and a PCI function at 01:02.3 whose
// capability list points back at itself.
std::string FieldsMachine() {
    return WithWindow(
        MachineJson({{"01:00.0",
                      {{0x00, 0xA808144D},
                       {0x04, kCapList},
                       {0x34, 0x40},
                       {0x40, 0x00020010},
                       {0x44, 0x00000001},
                       {0x48, 0x00012810},
                       {0x4C, 0x00000043},
                       {0x50, 0x00430000}}},
                     {"01:02.3",
                      {{0x00, 0x06121B21}, {0x04, kCapList}, {0x34, 0x40}, {0x40, 0x00404005}}}}),
        "0xE0000000");
}

class PciViewFieldsTest : public PciViewFixture {
  protected:
    void SetUp() override { Open(FieldsMachine()); }

    void ShowFunction(int bus, int device, int function) {
        Choose(view->BusBox(), bus);
        Choose(view->DeviceBox(), device);
        Choose(view->FunctionBox(), function);
    }
    static QPoint InFirstColumn(QTreeWidget* tree, QTreeWidgetItem* item) {
        return {8, tree->visualItemRect(item).center().y()};
    }
    QTreeWidgetItem* Row(uint32_t offset) const {
        return view->RegisterList()->topLevelItem(static_cast<int>(offset / 4));
    }
    void ClickRow(uint32_t offset) {
        QTreeWidget* list = view->RegisterList();
        list->scrollToItem(Row(offset));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, InFirstColumn(list, Row(offset)));
    }
    QTreeWidgetItem* Field(const QString& name) const {
        const auto found = view->FieldPane()->findItems(name, Qt::MatchExactly, CFieldPane::kName);
        return found.isEmpty() ? nullptr : found.front();
    }
    // Clicks the field's row in the pane and presses F2.
    QLineEdit* OpenField(const QString& name) {
        CFieldPane* pane = view->FieldPane();
        QTreeWidgetItem* item = Field(name);
        if (!item) return nullptr;
        pane->scrollToItem(item);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, InFirstColumn(pane, item));
        QTest::keyClick(pane, Qt::Key_F2);
        return Editor();
    }
    // The pane's open editor, if any.
    QLineEdit* Editor() const {
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        return editor && view->FieldPane()->isAncestorOf(editor) ? editor : nullptr;
    }
    void TypeIntoField(const QString& name, const QString& text) {
        QLineEdit* editor = OpenField(name);
        ASSERT_TRUE(editor) << name.toStdString();
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor commits, and the pane hands the text on, through the
        // event loop; then the pane shows what the field reads, which is
        // never the text typed here.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                QTreeWidgetItem* field = Field(name);
                return !Editor() && field && field->text(CFieldPane::kValue) != text;
            },
            5000));
    }
    static bool Red(QTreeWidgetItem* item) {
        return item->data(0, Qt::ForegroundRole).isValid() &&
               item->foreground(0).color() == QColor(Qt::red);
    }
};

}  // namespace

TEST_F(PciViewFieldsTest, DecodedColumnAndFieldPaneFollowTheSelectedRow) {
    ShowFunction(1, 0, 0);
    ASSERT_EQ(view->RegisterList()->topLevelItemCount(), 1024);
    const QString link = "PCI Express \u203A Link Control: ASPM off; Link Status: 8GT/s x4";
    EXPECT_EQ(Row(0x50)->text(3), link);
    EXPECT_EQ(Row(0x50)->toolTip(3), link);
    EXPECT_EQ(Row(0x50)->text(1), "00430000");
    EXPECT_EQ(view->FieldPane()->topLevelItemCount(), 0);

    ClickRow(0x48);
    EXPECT_EQ(view->AddressField()->text(), "E0100048");
    QTreeWidgetItem* payload = Field("PCIe.DevCtl.MaxPayload");
    ASSERT_TRUE(payload);
    const QStringList texts{"PCIe.DevCtl.MaxPayload", "[7:5]", "RW", "0x0", "128 bytes"};
    for (int column = 0; column < CFieldPane::kColumns; ++column)
        EXPECT_EQ(payload->text(column), texts[column]);
    EXPECT_TRUE(Field("PCIe.DevSta.CorrErr"));

    // A broken chain is noted at the top, before any row is chosen.
    ShowFunction(1, 2, 3);
    CFieldPane* pane = view->FieldPane();
    ASSERT_EQ(pane->topLevelItemCount(), 1);
    EXPECT_TRUE(pane->topLevelItem(0)->text(0).contains("leads back to a capability"));
    EXPECT_TRUE(pane->topLevelItem(0)->isFirstColumnSpanned());
}

TEST_F(PciViewFieldsTest, EditingAFieldInThePaneWritesItsBitsOrShowsTheRefusal) {
    ShowFunction(1, 0, 0);
    ClickRow(0x48);
    TypeIntoField("PCIe.DevCtl.MaxPayload", "256");
    // Only the field changed; the pending error bit was written as 0.
    EXPECT_EQ(Row(0x48)->text(1), "00002830");
    EXPECT_TRUE(Row(0x48)->isSelected());
    ASSERT_TRUE(Field("PCIe.DevCtl.MaxPayload"));
    EXPECT_EQ(Field("PCIe.DevCtl.MaxPayload")->text(CFieldPane::kValue), "0x1");
    EXPECT_EQ(Field("PCIe.DevCtl.MaxPayload")->text(CFieldPane::kMeaning), "256 bytes");
    EXPECT_TRUE(Texts().empty());

    // A value that does not fit is refused by name, and the pane shows the
    // value again.
    TypeIntoField("PCIe.DevCtl.MaxPayload", "0x9");
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind("PCIe.DevCtl.MaxPayload: ", 0), 0u) << Texts()[0];
    EXPECT_EQ(Field("PCIe.DevCtl.MaxPayload")->text(CFieldPane::kValue), "0x1");
    EXPECT_EQ(Row(0x48)->text(1), "00002830");

    // Read-only fields do not open; a double-click anywhere on a writable
    // row opens its value.
    EXPECT_FALSE(OpenField("PCIe.DevSta.TransPending"));
    EXPECT_EQ(view->FieldPane()->currentItem(), Field("PCIe.DevSta.TransPending"));
    CFieldPane* pane = view->FieldPane();
    QTreeWidgetItem* readRequest = Field("PCIe.DevCtl.MaxReadReq");
    pane->scrollToItem(readRequest);
    const QPoint access(pane->header()->sectionViewportPosition(CFieldPane::kAccess) + 8,
                        pane->visualItemRect(readRequest).center().y());
    // As the window system delivers it: a click, then the second press as
    // a double-click.
    QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, access);
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, access);
    ASSERT_TRUE(Editor());
    EXPECT_EQ(Editor()->text(), "0x2");
    EXPECT_EQ(pane->currentColumn(), CFieldPane::kValue);
}

TEST_F(PciViewFieldsTest, WatchShowsChangedRowsInRedAndStopsOnceWhenTheFunctionIsGone) {
    ShowFunction(1, 2, 3);
    EXPECT_EQ(view->WatchInterval()->value(), 500);
    QTest::mouseClick(view->WatchBox(), Qt::LeftButton);
    ASSERT_TRUE(view->WatchBox()->isChecked());
    EXPECT_TRUE(view->WatchTimer()->isActive());
    EXPECT_EQ(view->WatchTimer()->interval(), 500);
    view->WatchInterval()->setValue(50);
    EXPECT_EQ(view->WatchTimer()->interval(), 50);
    ClickRow(0x10);

    driver_->Backend().WriteConfigDword(kPlainAddress, 0x10, 0xF7000000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Red(Row(0x10)); }, 3000));
    EXPECT_EQ(Row(0x10)->text(1), "F7000000");
    EXPECT_FALSE(Red(Row(0x14)));
    // Changed in place: the row is still selected and its fields shown.
    EXPECT_TRUE(Row(0x10)->isSelected());
    EXPECT_GT(view->FieldPane()->topLevelItemCount(), 1);
    EXPECT_EQ(view->AddressField()->text(), "80011310");

    driver_->Backend().WriteConfigDword(kPlainAddress, 0x10, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Red(Row(0x10)); }, 3000));

    driver_->SetPresent(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !messages_.messages.empty(); }, 3000));
    QTest::qWait(200);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Function 01:02.3 no longer answers: watching stopped."});
    EXPECT_FALSE(view->WatchBox()->isChecked());
    EXPECT_FALSE(view->WatchTimer()->isActive());
}
