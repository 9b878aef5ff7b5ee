// SPDX-License-Identifier: MIT
#include "app/docking/CDockSite.h"

#include <QGridLayout>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <algorithm>
#include <vector>

#include "app/docking/CDockBar.h"
#include "app/docking/CMiniDockFrame.h"
#include "app/docking/CSizingControlBar.h"
#include "app/docking/DockingFocusKeeper.h"
#include "app/docking/WindowPlacement.h"

namespace {
// How close to an edge of the frame a dropped bar docks there.
constexpr int kDockReach = 40;
}  // namespace

CDockSite* CDockSite::EnableDocking(QMainWindow& frame) {
    QWidget* pane = frame.takeCentralWidget();
    auto* site = new CDockSite(pane, &frame);
    frame.setCentralWidget(site);
    return site;
}

CDockSite::CDockSite(QWidget* pane, QWidget* parent) : QWidget(parent), m_pPane(pane) {
    setObjectName("DockSite");
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    for (int side = dock::Top; side <= dock::Bottom; ++side)
        m_dockBars[side - dock::Top] = new CDockBar(side, *this, this);
    grid->addWidget(DockBar(dock::Top), 0, 0, 1, 3);
    grid->addWidget(DockBar(dock::Left), 1, 0);
    if (pane) grid->addWidget(pane, 1, 1);
    grid->addWidget(DockBar(dock::Right), 1, 2);
    grid->addWidget(DockBar(dock::Bottom), 2, 0, 1, 3);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
}

CDockBar* CDockSite::DockBar(int side) const {
    return dock::IsSide(side) ? m_dockBars[side - dock::Top] : nullptr;
}

CDockBar* CDockSite::DockBarOf(const CSizingControlBar& bar) const {
    return bar.DockBar();
}

CMiniDockFrame* CDockSite::MiniFrameOf(const CSizingControlBar& bar) const {
    return qobject_cast<CMiniDockFrame*>(bar.parentWidget());
}

void CDockSite::DockControlBar(CSizingControlBar& bar, int side, const CSizingControlBar* after) {
    CDockBar* target = DockBar(side);
    if (!target || (DockBarOf(bar) == target && !after) || after == &bar) return;
    DockingFocusKeeper focus(bar, MdiArea());
    CMiniDockFrame* mini = MiniFrameOf(bar);
    if (CDockBar* current = DockBarOf(bar)) current->Undock(bar, false);
    target->Dock(bar, after);
    if (mini) mini->deleteLater();
    DelayRecalcLayout();
}

void CDockSite::FloatControlBar(CSizingControlBar& bar, QPoint screenPos) {
    if (CMiniDockFrame* mini = MiniFrameOf(bar)) {
        mini->move(screenPos);
        return;
    }
    DockingFocusKeeper focus(bar, MdiArea());
    CMiniDockFrame* mini = Unfold(bar);
    mini->move(screenPos);
    ShowFloating(bar, *mini);
}

CMiniDockFrame* CDockSite::Unfold(CSizingControlBar& bar) {
    if (CDockBar* current = DockBarOf(bar)) {
        m_lastSide[bar.Id()] = current->Side();
        current->Undock(bar, true);
    }
    bar.AttachTo(*this, nullptr);
    const QSize content = bar.ContentSize();
    if (content.isValid()) {
        // The border the bar keeps around its contents while floating.
        const int border = 2 * SizingBarModel::kNonClientBorder;
        DockSize& floating = bar.Model().sizeFloat;
        floating.cx = std::max(floating.cx, content.width() + border);
        floating.cy = std::max(floating.cy, content.height() + border);
    }
    return new CMiniDockFrame(bar, *this, window());
}

void CDockSite::ShowFloating(CSizingControlBar& bar, CMiniDockFrame& mini) {
    if (bar.Model().visible) mini.show();
    DelayRecalcLayout();
}

void CDockSite::ToggleDocking(CSizingControlBar& bar) {
    if (DockBarOf(bar)) {
        DockingFocusKeeper focus(bar, MdiArea());
        const QPoint dockedAt = bar.mapToGlobal(QPoint(0, 0));
        CMiniDockFrame* mini = Unfold(bar);
        mini->move(SpotClearOfWindows(*mini, dockedAt));
        ShowFloating(bar, *mini);
        return;
    }
    const auto last = m_lastSide.find(bar.Id());
    DockControlBar(bar, last != m_lastSide.end() ? last->second : dock::Left);
}

QPoint CDockSite::SpotClearOfWindows(const CMiniDockFrame& mini, QPoint dockedAt) {
    // The windows move with the main pane once the bar has left its side.
    RecalcLayout();
    if (layout()) layout()->activate();
    auto global = [](const QWidget& widget) {
        const QPoint topLeft = widget.mapToGlobal(QPoint(0, 0));
        return DockRect{topLeft.x(), topLeft.y(), topLeft.x() + widget.width(),
                        topLeft.y() + widget.height()};
    };
    std::vector<DockRect> windows;
    if (QMdiArea* area = MdiArea())
        for (QMdiSubWindow* child : area->subWindowList())
            if (child->isVisible()) windows.push_back(global(*child));
    const DockRect pane = global(m_pPane ? *m_pPane : static_cast<const QWidget&>(*this));
    const QRect frame = window()->frameGeometry();
    const int w = mini.width();
    const int h = mini.height();
    const std::vector<DockPoint> candidates = {
        {dockedAt.x(), dockedAt.y()},      {pane.right - w, pane.top},
        {pane.right - w, pane.bottom - h}, {pane.left, pane.bottom - h},
        {frame.right() + 1, frame.top()},  {frame.left() - w, frame.top()}};
    QRect screen = QRect(QPoint(0, 0), QSize(w, h));
    if (const QScreen* where = window()->screen()) screen = where->availableGeometry();
    const DockPoint spot =
        WindowPlacement::Clear(candidates, {w, h},
                               {screen.left(), screen.top(), screen.left() + screen.width(),
                                screen.top() + screen.height()},
                               windows);
    return {spot.x, spot.y};
}

int CDockSite::SideNear(QPoint screenPos) const {
    const QPoint p = mapFromGlobal(screenPos);
    if (!rect().contains(p)) return 0;
    for (CDockBar* dockBar : m_dockBars)
        if (dockBar->geometry().contains(p)) return dockBar->Side();
    const std::pair<int, int> distances[] = {{p.x(), dock::Left},
                                             {width() - p.x(), dock::Right},
                                             {p.y(), dock::Top},
                                             {height() - p.y(), dock::Bottom}};
    const auto nearest = std::min_element(std::begin(distances), std::end(distances));
    return nearest->first < kDockReach ? nearest->second : 0;
}

bool CDockSite::DockNear(CSizingControlBar& bar, QPoint screenPos) {
    const int side = SideNear(screenPos);
    if (!side || !bar.CanDock()) return false;
    DockControlBar(bar, side, DockBar(side)->BarAt(screenPos));
    return true;
}

void CDockSite::DropControlBar(CSizingControlBar& bar, QPoint screenPos) {
    if (!DockNear(bar, screenPos)) FloatControlBar(bar, screenPos);
}

void CDockSite::ShowControlBar(CSizingControlBar& bar, bool show) {
    {
        DockingFocusKeeper focus(bar, MdiArea());
        bar.Model().visible = show;
        if (CMiniDockFrame* mini = MiniFrameOf(bar)) mini->setVisible(show);
        bar.setVisible(show);
        if (show && DockBarOf(bar)) bar.Model().OnWindowPosChanging(DockBarOf(bar)->Side(), true);
        DelayRecalcLayout();
    }
    emit ControlBarShown(&bar, show);
}

QMdiArea* CDockSite::MdiArea() const {
    return qobject_cast<QMdiArea*>(m_pPane);
}

QSize CDockSite::PaneSize() const {
    return m_pPane ? m_pPane->size() : size();
}

void CDockSite::RecalcLayout() {
    m_bLayoutPending = false;
    for (CDockBar* dockBar : m_dockBars) dockBar->LayoutRows();
}

void CDockSite::DelayRecalcLayout() {
    if (m_bLayoutPending) return;
    m_bLayoutPending = true;
    QMetaObject::invokeMethod(this, &CDockSite::RecalcLayout, Qt::QueuedConnection);
}
