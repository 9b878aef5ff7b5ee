#include "app/docking/CDockSite.h"

#include <QGridLayout>
#include <QMainWindow>
#include <QMdiArea>

#include "app/docking/CDockBar.h"
#include "app/docking/CMiniDockFrame.h"
#include "app/docking/CSizingControlBar.h"
#include "app/docking/DockingFocusKeeper.h"

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
    if (CDockBar* current = DockBarOf(bar)) {
        m_lastSide[bar.Id()] = current->Side();
        current->Undock(bar, true);
    }
    bar.AttachTo(*this, nullptr);
    auto* mini = new CMiniDockFrame(bar, *this, window());
    mini->move(screenPos);
    if (bar.Model().visible) mini->show();
    DelayRecalcLayout();
}

void CDockSite::ToggleDocking(CSizingControlBar& bar) {
    if (DockBarOf(bar)) return FloatControlBar(bar, bar.mapToGlobal(QPoint(0, 0)));
    const auto last = m_lastSide.find(bar.Id());
    DockControlBar(bar, last != m_lastSide.end() ? last->second : dock::Left);
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
    DockingFocusKeeper focus(bar, MdiArea());
    bar.Model().visible = show;
    if (CMiniDockFrame* mini = MiniFrameOf(bar)) mini->setVisible(show);
    bar.setVisible(show);
    if (show && DockBarOf(bar)) bar.Model().OnWindowPosChanging(DockBarOf(bar)->Side(), true);
    DelayRecalcLayout();
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
