// SPDX-License-Identifier: MIT
#include "app/docking/DockBarModel.h"

#include <algorithm>

#include "app/docking/DockGeometry.h"
#include "app/docking/SizingBarList.h"
#include "app/docking/SizingBarModel.h"

DockBarModel::DockBarModel() : m_entries(1) {}

int DockBarModel::IndexOf(const DockedBar* bar) const {
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (bar && m_entries[i].bar == bar) return static_cast<int>(i);
    return -1;
}

void DockBarModel::AddRow(DockedBar* bar) {
    m_entries.push_back(DockEntry{bar});
    m_entries.push_back(DockEntry{});
}

void DockBarModel::InsertAfter(const DockedBar* neighbour, DockedBar* bar) {
    const int at = IndexOf(neighbour);
    if (at < 0) return AddRow(bar);
    m_entries.insert(m_entries.begin() + at + 1, DockEntry{bar});
}

void DockBarModel::InsertPlaceholder(unsigned placeholder) {
    m_entries.push_back(DockEntry{nullptr, placeholder});
    m_entries.push_back(DockEntry{});
}

void DockBarModel::Remove(const DockedBar* bar) {
    const int at = IndexOf(bar);
    if (at < 0) return;
    m_entries.erase(m_entries.begin() + at);
    DropEmptyRows();
}

void DockBarModel::ReplaceWithPlaceholder(const DockedBar* bar, unsigned placeholder) {
    const int at = IndexOf(bar);
    if (at >= 0) m_entries[at] = DockEntry{nullptr, placeholder};
}

bool DockBarModel::ReplacePlaceholder(unsigned placeholder, DockedBar* bar) {
    for (DockEntry& entry : m_entries) {
        if (!entry.bar && entry.placeholder == placeholder) {
            entry = DockEntry{bar};
            return true;
        }
    }
    return false;
}

void DockBarModel::DropEmptyRows() {
    for (size_t i = 1; i < m_entries.size();) {
        if (m_entries[i].IsRowEnd() && m_entries[i - 1].IsRowEnd())
            m_entries.erase(m_entries.begin() + i);
        else
            ++i;
    }
}

RowBounds DockBarModel::FindRowBounds(const DockedBar* bar) const {
    RowBounds bounds;
    bounds.self = IndexOf(bar);
    if (bounds.self < 0) return bounds;
    bounds.first = bounds.self;
    while (bounds.first > 0 && !m_entries[bounds.first - 1].IsRowEnd()) --bounds.first;
    bounds.last = bounds.self;
    while (bounds.last + 1 < static_cast<int>(m_entries.size()) &&
           !m_entries[bounds.last + 1].IsRowEnd())
        ++bounds.last;
    return bounds;
}

SizingBarModel* DockBarModel::AsSizingBar(DockedBar* bar) {
    auto* sizing = dynamic_cast<SizingBarModel*>(bar);
    return sizing && SizingBarList::Contains(sizing) ? sizing : nullptr;
}

std::vector<SizingBarModel*> DockBarModel::CollectRowSizingBars(const DockedBar* bar) const {
    std::vector<SizingBarModel*> row;
    const RowBounds bounds = FindRowBounds(bar);
    if (bounds.self < 0) return row;
    for (int i = bounds.first; i <= bounds.last; ++i) {
        DockedBar* entry = m_entries[i].bar;
        if (!entry || !entry->IsVisibleInLayout()) continue;
        if (SizingBarModel* sizing = AsSizingBar(entry)) row.push_back(sizing);
    }
    return row;
}

bool DockBarModel::FitRowToLength(SizingBarModel& bar, int available, bool horizontal) {
    const RowBounds bounds = FindRowBounds(&bar);
    if (bounds.self < 0) return false;
    for (int i = bounds.first; i <= bounds.last; ++i) {
        DockedBar* entry = m_entries[i].bar;
        if (entry && entry->IsVisibleInLayout() && !AsSizingBar(entry))
            available -= entry->WindowLength(horizontal) - kSharedBorder;
    }

    const std::vector<SizingBarModel*> row = CollectRowSizingBars(&bar);
    int total = 0;
    int needed = kSharedBorder;
    int thickness = 0;
    for (const SizingBarModel* sizing : row) {
        total += sizing->Length(horizontal) - kSharedBorder;
        needed += sizing->MinLength(horizontal) - kSharedBorder;
        thickness = std::max(thickness, sizing->Thickness(horizontal));
    }

    if (needed > available) {
        if (bounds.first < bounds.self || bounds.self < bounds.last) {
            m_entries.insert(m_entries.begin() + bounds.last + 1, DockEntry{&bar});
            m_entries.insert(m_entries.begin() + bounds.last + 1, DockEntry{});
            m_entries.erase(m_entries.begin() + bounds.self);
        }
        return false;
    }

    for (SizingBarModel* sizing : row) sizing->SetThickness(horizontal, thickness);
    int delta = available - total;
    while (delta != 0) {
        const int before = delta;
        for (SizingBarModel* sizing : row) {
            if (delta == 0) break;
            const int length = sizing->Length(horizontal);
            if ((delta < 0 && length == sizing->MinLength(horizontal)) || sizing->holdSizeOnce)
                continue;
            const int step = delta > 0 ? 1 : -1;
            sizing->SetLength(horizontal, length + step);
            delta -= step;
        }
        if (delta == before || delta == 0) {
            const bool anyHeld = std::any_of(
                row.begin(), row.end(), [](const SizingBarModel* s) { return s->holdSizeOnce; });
            for (SizingBarModel* sizing : row) sizing->holdSizeOnce = false;
            // Nothing left that could move: stop rather than spin forever.
            if (delta == before && !anyHeld) break;
        }
    }
    return true;
}

std::vector<RowPlacement> DockBarModel::LineUpRow(const DockedBar* bar, bool horizontal) const {
    std::vector<RowPlacement> placements;
    const RowBounds bounds = FindRowBounds(bar);
    if (bounds.self < 0) return placements;
    int pos = horizontal ? -kSharedBorder : 0;
    for (int i = bounds.first; i <= bounds.last; ++i) {
        DockedBar* entry = m_entries[i].bar;
        if (!entry || !entry->IsVisibleInLayout()) continue;
        const SizingBarModel* sizing = AsSizingBar(entry);
        const int length = sizing ? sizing->Length(horizontal) : entry->WindowLength(horizontal);
        placements.push_back({entry, horizontal ? pos : pos - kSharedBorder, length});
        pos += length - kSharedBorder;
    }
    return placements;
}

std::vector<std::vector<DockedBar*>> DockBarModel::VisibleRows() const {
    std::vector<std::vector<DockedBar*>> rows(1);
    for (const DockEntry& entry : m_entries) {
        if (entry.IsRowEnd() && !rows.back().empty()) rows.emplace_back();
        if (entry.bar && entry.bar->IsVisibleInLayout()) rows.back().push_back(entry.bar);
    }
    if (rows.back().empty()) rows.pop_back();
    return rows;
}
