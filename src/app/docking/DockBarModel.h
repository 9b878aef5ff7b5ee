// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "app/docking/DockedBar.h"

class SizingBarModel;

// One entry of a dock bar: a bar, a placeholder keeping a hidden bar's slot
// (a number up to 0xFFFF), or neither, which ends a row.
struct DockEntry {
    DockedBar* bar = nullptr;
    unsigned placeholder = 0;
    bool IsRowEnd() const { return !bar && placeholder == 0; }
};

struct RowBounds {
    int first = 0;
    int last = 0;
    int self = -1;
};

// Where the line-up puts a bar: its start along the row and its length.
struct RowPlacement {
    DockedBar* bar = nullptr;
    int start = 0;
    int length = 0;
};

// The ordered entries of one dock bar; the list begins and ends with a row
// end. Rows are walked skipping placeholders and row ends.
class DockBarModel {
  public:
    DockBarModel();

    const std::vector<DockEntry>& Entries() const { return m_entries; }
    int IndexOf(const DockedBar* bar) const;
    // A new row of its own after the last one.
    void AddRow(DockedBar* bar);
    // Into the row of `neighbour`, right after it.
    void InsertAfter(const DockedBar* neighbour, DockedBar* bar);
    void InsertPlaceholder(unsigned placeholder);
    void Remove(const DockedBar* bar);
    // The bar leaves; its slot stays for when it comes back.
    void ReplaceWithPlaceholder(const DockedBar* bar, unsigned placeholder);
    // The bar takes its old slot; false when there is none.
    bool ReplacePlaceholder(unsigned placeholder, DockedBar* bar);

    RowBounds FindRowBounds(const DockedBar* bar) const;
    std::vector<SizingBarModel*> CollectRowSizingBars(const DockedBar* bar) const;
    // Fits the lengths of the bar's row to `available`; false when its
    // minimum lengths do not fit, after moving the bar onto a row of its own.
    bool FitRowToLength(SizingBarModel& bar, int available, bool horizontal);
    // Starts of the row's visible bars, overlapping by kSharedBorder.
    std::vector<RowPlacement> LineUpRow(const DockedBar* bar, bool horizontal) const;
    // The visible bars of every row that has one, in order.
    std::vector<std::vector<DockedBar*>> VisibleRows() const;

    static SizingBarModel* AsSizingBar(DockedBar* bar);

  private:
    void DropEmptyRows();

    std::vector<DockEntry> m_entries;
};
