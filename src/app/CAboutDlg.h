// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: icon, version line, notice and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int IDD = 100;
    static constexpr int IDC_VERSION = 1097;

    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* VersionStatic() const { return m_stVersion; }
    QLabel* NoticeStatic() const { return m_stNotice; }
    QPushButton* OkButton() const { return m_btOk; }

  private:
    void OnInitDialog();

    QLabel* m_stVersion = nullptr;
    QLabel* m_stNotice = nullptr;
    QPushButton* m_btOk = nullptr;
};
