// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QWidget>
#include <map>

class CDockBar;
class CMiniDockFrame;
class CSizingControlBar;
class QMainWindow;
class QMdiArea;

// The frame's docking layer: four dock bars around its main pane, floating
// tool windows, and the frame's delayed layout.
class CDockSite : public QWidget {
    Q_OBJECT
  public:
    // Puts the frame's central widget between four dock bars.
    static CDockSite* EnableDocking(QMainWindow& frame);

    CDockBar* DockBar(int side) const;
    // The dock bar holding the bar, or null while it floats.
    CDockBar* DockBarOf(const CSizingControlBar& bar) const;
    // At that side; into the row of `after` when it is given.
    void DockControlBar(CSizingControlBar& bar, int side, const CSizingControlBar* after = nullptr);
    void FloatControlBar(CSizingControlBar& bar, QPoint screenPos);
    // Docked bars float, big enough for their contents and clear of the
    // frame's windows where the screen has room; floating ones go back to
    // their last side.
    void ToggleDocking(CSizingControlBar& bar);
    // Dropped after a drag of the whole bar: on another bar it joins that
    // bar's row, near an edge it docks there, elsewhere it floats.
    void DropControlBar(CSizingControlBar& bar, QPoint screenPos);
    // Docks as a drop does when the point is on a bar or near an edge;
    // false, and nothing moved, anywhere else.
    bool DockNear(CSizingControlBar& bar, QPoint screenPos);
    void ShowControlBar(CSizingControlBar& bar, bool show);
    // The size left to the main pane.
    QSize PaneSize() const;
    void RecalcLayout();
    void DelayRecalcLayout();

  signals:
    // A bar was shown or hidden (its close box, the application).
    void ControlBarShown(CSizingControlBar* bar, bool shown);

  private:
    CDockSite(QWidget* pane, QWidget* parent);
    CMiniDockFrame* MiniFrameOf(const CSizingControlBar& bar) const;
    // Takes a docked bar out of its row into a new, not yet shown, floating
    // frame at least as big as the bar's contents.
    CMiniDockFrame* Unfold(CSizingControlBar& bar);
    // Shows a new floating frame when its bar is visible.
    void ShowFloating(CSizingControlBar& bar, CMiniDockFrame& mini);
    // A top-left for the frame that covers none of the frame's windows
    // where the screen allows, near where the bar was docked.
    QPoint SpotClearOfWindows(const CMiniDockFrame& mini, QPoint dockedAt);
    // The frame's MDI area, when that is its main pane.
    QMdiArea* MdiArea() const;
    int SideNear(QPoint screenPos) const;

    QWidget* m_pPane;
    CDockBar* m_dockBars[4] = {};
    bool m_bLayoutPending = false;
    // Where each floating bar was docked last, by its identifier.
    std::map<int, int> m_lastSide;
};
