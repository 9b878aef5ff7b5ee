// SPDX-License-Identifier: MIT
#include "pci/CSavePciDlg.h"

#include <QApplication>
#include <QPushButton>

#include "pci/PciSaveSelection.h"

namespace {

// Resource 168, in dialog units.
constexpr int kDialogWidth = 186;
constexpr int kDialogHeight = 79;
constexpr int kButtonX = 26;
constexpr int kButtonWidth = 137;
constexpr int kButtonHeight = 14;
constexpr int kAllButtonY = 19;
constexpr int kCurrentButtonY = 40;

}  // namespace

CSavePciDlg::CSavePciDlg(QWidget* parent) : QDialog(parent), m_units(QApplication::font()) {
    setWindowTitle("PCI Device Save Selection");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    m_btAll = new QPushButton("Save All PCI and PCI Express Devices", this);
    m_btAll->setDefault(true);
    m_btAll->setAutoDefault(true);
    m_btCurrent = new QPushButton("Save Current PCI or PCI Express Device", this);
    m_btCurrent->setAutoDefault(false);
    // A wider font than the resource was drawn for must still show the texts.
    for (QPushButton* button : {m_btAll, m_btCurrent})
        m_units = m_units.WidenedToFit(button->sizeHint().width(), kButtonWidth);
    m_btAll->setGeometry(m_units.Rect(kButtonX, kAllButtonY, kButtonWidth, kButtonHeight));
    m_btCurrent->setGeometry(m_units.Rect(kButtonX, kCurrentButtonY, kButtonWidth, kButtonHeight));
    setFixedSize(m_units.X(kDialogWidth), m_units.Y(kDialogHeight));
    connect(m_btAll, &QPushButton::clicked, this, [this] { done(kSaveAllDevices); });
    connect(m_btCurrent, &QPushButton::clicked, this, [this] { done(kSaveCurrentDevice); });
}

// Esc and the title-bar button leave with the second button's result, so
// every way out writes a report.
void CSavePciDlg::reject() {
    done(kSaveCurrentDevice);
}
