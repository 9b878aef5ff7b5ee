// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <chrono>
#include <memory>

#include "memory/hexedit/WorkProgress.h"

class QProgressDialog;
class QWidget;

// Progress of work that runs on the user-interface thread: nothing shows for
// the first moments, then a modal dialog with a Cancel button appears, and
// from then on every step lets events through, so the dialog paints and its
// button answers. The work itself never leaves the thread.
class QtWorkProgress : public WorkProgress {
  public:
    static constexpr std::chrono::milliseconds kDefaultDelay{500};

    // The clock starts here: make it just before the work.
    QtWorkProgress(QWidget* parent, QString label, std::chrono::milliseconds delay = kDefaultDelay);
    ~QtWorkProgress() override;
    QtWorkProgress(const QtWorkProgress&) = delete;
    QtWorkProgress& operator=(const QtWorkProgress&) = delete;

    // Null until the work has run longer than the delay.
    QProgressDialog* Dialog() const { return m_dialog.get(); }

  protected:
    bool OnProgress(uint64_t done, uint64_t total) override;

  private:
    void ShowDialog();

    QWidget* m_parent;
    QString m_label;
    std::chrono::milliseconds m_delay;
    QElapsedTimer m_clock;
    std::unique_ptr<QProgressDialog> m_dialog;
};
