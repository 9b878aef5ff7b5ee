// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <map>

#include "app/docking/DockBarModel.h"
#include "app/docking/DockGeometry.h"

class CSizingControlBar;
class CDockSite;

// One side of the frame: lays its bars out row by row, each row as thick as
// its thickest bar, and grows across the frame to hold its rows.
class CDockBar : public QWidget {
    Q_OBJECT
  public:
    CDockBar(int side, CDockSite& site, QWidget* parent);
    ~CDockBar() override;

    int Side() const { return m_nSide; }
    bool IsHorizontal() const;
    DockBarModel& Model() { return m_model; }
    CDockSite& Site() { return m_site; }

    // Into the row of `after`, right after it; else into the slot it left
    // when it floated, or a new row of its own.
    void Dock(CSizingControlBar& bar, const CSizingControlBar* after = nullptr);
    // The bar under a screen point, if any.
    CSizingControlBar* BarAt(QPoint screenPos) const;
    // Out of the rows; the bar keeps a placeholder when `keepSlot`.
    void Undock(CSizingControlBar& bar, bool keepSlot);
    bool Holds(const CSizingControlBar& bar) const;
    // Fits and places every row in the length the frame gives this side.
    void LayoutRows();
    // The rectangle it lays out in, its own local one.
    DockRect LayoutRect() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    int LayoutRow(const std::vector<DockedBar*>& row, int across);
    CSizingControlBar* BarOf(DockedBar* entry) const;

    int m_nSide;
    CDockSite& m_site;
    DockBarModel m_model;
    std::map<DockedBar*, CSizingControlBar*> m_bars;
    bool m_bInLayout = false;
};
