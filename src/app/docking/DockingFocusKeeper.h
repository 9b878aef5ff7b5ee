// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

// Keeps the active MDI child and the keyboard focus where they were while a
// bar is docked, floated or hidden. Qt hands the focus of a widget that leaves
// its window to the next one in the tab chain; an MDI child taking it would
// become the active one, and Save would then write another window than the
// one the user was in.
class DockingFocusKeeper {
  public:
    DockingFocusKeeper(QWidget& bar, QMdiArea* area);
    ~DockingFocusKeeper();
    DockingFocusKeeper(const DockingFocusKeeper&) = delete;
    DockingFocusKeeper& operator=(const DockingFocusKeeper&) = delete;

  private:
    QPointer<QMdiArea> m_area;
    QPointer<QMdiSubWindow> m_active;
    // The focus widget while it is inside the bar, and the window it had.
    QPointer<QWidget> m_focus;
    QPointer<QWidget> m_focusWindow;
};
