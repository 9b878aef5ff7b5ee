// SPDX-License-Identifier: MIT
#include "app/docking/CDockBar.h"

#include <algorithm>

#include "app/docking/CDockSite.h"
#include "app/docking/CSizingControlBar.h"

namespace {
// A fitting that moves a bar to a new row changes the rows; a few rounds
// settle every row.
constexpr int kFittingRounds = 4;
}  // namespace

CDockBar::CDockBar(int side, CDockSite& site, QWidget* parent)
    : QWidget(parent), m_nSide(side), m_site(site) {
    if (IsHorizontal()) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFixedHeight(0);
    } else {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        setFixedWidth(0);
    }
}

CDockBar::~CDockBar() {
    // The bars go with this widget, after this part of it.
    for (auto& [entry, bar] : m_bars) bar->AttachTo(m_site, nullptr);
}

bool CDockBar::IsHorizontal() const {
    return dock::IsHorizontalSide(m_nSide);
}

void CDockBar::Dock(CSizingControlBar& bar, const CSizingControlBar* after) {
    if (after && Holds(*after))
        m_model.InsertAfter(&after->Model(), &bar.Model());
    else if (!m_model.ReplacePlaceholder(static_cast<unsigned>(bar.Id()), &bar.Model()))
        m_model.AddRow(&bar.Model());
    m_bars[&bar.Model()] = &bar;
    bar.setParent(this);
    bar.AttachTo(m_site, this);
    if (bar.Model().visible) {
        bar.show();
        bar.Model().OnWindowPosChanging(m_nSide, true);
    }
}

void CDockBar::Undock(CSizingControlBar& bar, bool keepSlot) {
    if (keepSlot)
        m_model.ReplaceWithPlaceholder(&bar.Model(), static_cast<unsigned>(bar.Id()));
    else
        m_model.Remove(&bar.Model());
    m_bars.erase(&bar.Model());
}

bool CDockBar::Holds(const CSizingControlBar& bar) const {
    return m_model.IndexOf(&bar.Model()) >= 0;
}

CSizingControlBar* CDockBar::BarAt(QPoint screenPos) const {
    for (const auto& [entry, bar] : m_bars)
        if (bar->isVisible() && bar->geometry().contains(mapFromGlobal(screenPos))) return bar;
    return nullptr;
}

CSizingControlBar* CDockBar::BarOf(DockedBar* entry) const {
    const auto found = m_bars.find(entry);
    return found == m_bars.end() ? nullptr : found->second;
}

// Only the length counts; a side holding nothing yet has no thickness.
DockRect CDockBar::LayoutRect() const {
    if (IsHorizontal()) return {0, 0, width(), std::max(height(), 1)};
    return {0, 0, std::max(width(), 1), height()};
}

void CDockBar::LayoutRows() {
    if (m_bInLayout) return;
    m_bInLayout = true;
    const unsigned mode = (IsHorizontal() ? layout::DockedHorizontally | layout::Horizontal
                                          : layout::DockedVertically);
    for (int round = 0; round < kFittingRounds; ++round) {
        const size_t rowsBefore = m_model.VisibleRows().size();
        for (const std::vector<DockedBar*>& row : m_model.VisibleRows()) {
            const std::vector<SizingBarModel*> sizing = m_model.CollectRowSizingBars(row.front());
            if (CSizingControlBar* first = sizing.empty() ? nullptr : BarOf(sizing.front()))
                first->CalcDynamicLayout(-1, mode);
        }
        if (m_model.VisibleRows().size() == rowsBefore) break;
    }
    int across = 0;
    for (const std::vector<DockedBar*>& row : m_model.VisibleRows())
        across += LayoutRow(row, across);
    if (IsHorizontal() && height() != across) setFixedHeight(across);
    if (!IsHorizontal() && width() != across) setFixedWidth(across);
    m_bInLayout = false;
}

int CDockBar::LayoutRow(const std::vector<DockedBar*>& row, int across) {
    const bool horizontal = IsHorizontal();
    int thickness = 0;
    for (DockedBar* entry : row) {
        if (CSizingControlBar* bar = BarOf(entry)) {
            const QSize size = bar->CalcFixedLayout(false, horizontal);
            thickness = std::max(thickness, horizontal ? size.height() : size.width());
        }
    }
    for (const RowPlacement& placed : m_model.LineUpRow(row.front(), horizontal)) {
        CSizingControlBar* bar = BarOf(placed.bar);
        if (!bar) continue;
        // Rows of a column start at this bar's top edge, below its border.
        if (horizontal)
            bar->PlaceAt(QRect(placed.start, across, placed.length, thickness));
        else
            bar->PlaceAt(QRect(across, placed.start + kSharedBorder, thickness, placed.length));
    }
    return thickness;
}

void CDockBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_site.DelayRecalcLayout();
}
