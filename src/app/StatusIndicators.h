// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>
#include <QObject>
#include <QTimer>
#include <memory>

#include "app/LockKeyState.h"

class QStatusBar;

// The "CAP", "NUM" and "SCRL" panes of the status bar: each shows its text
// while its lock key is on and stays blank, at the same width, while it is
// off. Refreshed periodically, as the lock state changes outside the program.
class StatusIndicators : public QObject {
    Q_OBJECT
  public:
    StatusIndicators(QStatusBar& statusBar, std::unique_ptr<LockKeyState> state);

    void Refresh();
    const QLabel& Pane(LockKey key) const { return *m_panes[static_cast<int>(key)]; }

  private:
    std::unique_ptr<LockKeyState> m_state;
    QLabel* m_panes[3];
    QTimer m_timer;
};
