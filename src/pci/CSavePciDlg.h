// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include "forms/DialogUnits.h"

class QPushButton;

// The PCI report selection: the first button ends the dialog with 1 (all
// devices), the second, Esc and the title-bar button with 2 (current one).
class CSavePciDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int IDD = 168;

    explicit CSavePciDlg(QWidget* parent = nullptr);

    QPushButton* AllDevicesButton() const { return m_btAll; }
    QPushButton* CurrentDeviceButton() const { return m_btCurrent; }
    const DialogUnits& Units() const { return m_units; }

    void reject() override;

  private:
    DialogUnits m_units;
    QPushButton* m_btAll = nullptr;
    QPushButton* m_btCurrent = nullptr;
};
