// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <vector>

#include "app/docking/DockGeometry.h"
#include "app/docking/DockedBar.h"

// The close box's state; the origin is relative to the bar window's top-left.
struct CloseButton {
    bool pressed = false;
    bool hot = false;
    DockPoint origin;
};

// Sizes, edge flags and drag state of one sizing bar, with every calculation
// that has a geometric meaning; the widget only translates events and paints.
// Window rectangles and drag points are in screen coordinates.
class SizingBarModel : public DockedBar {
  public:
    static constexpr int kCloseBoxSize = 11;
    // Floating bars and bars not yet placed keep the frame's default handling.
    static constexpr int kNonClientBorder = 5;

    ~SizingBarModel() override;

    bool IsDocked() const { return dock::IsSide(dockSide); }
    bool IsHorizontal() const { return dock::IsHorizontalSide(dockSide); }

    // The size of the bar's orientation: horizontal size while docked at the
    // top or bottom, the vertical one otherwise.
    DockSize& OrientedSize() { return IsHorizontal() ? sizeHorz : sizeVert; }
    const DockSize& OrientedSize() const { return IsHorizontal() ? sizeHorz : sizeVert; }
    int Length(bool horizontal) const { return horizontal ? sizeHorz.cx : sizeVert.cy; }
    void SetLength(bool horizontal, int length);
    int Thickness(bool horizontal) const { return horizontal ? sizeHorz.cy : sizeVert.cx; }
    void SetThickness(bool horizontal, int thickness);
    int MinLength(bool horizontal) const { return horizontal ? sizeMin.cx : sizeMin.cy; }
    int MinThickness(bool horizontal) const { return horizontal ? sizeMin.cy : sizeMin.cx; }

    // Client rectangle for a proposed window rectangle; sets the edge flags
    // from the dock side and the bar's place among the row's sizing bars
    // (rowIndex < 0 when it is in no dock bar), and the close-box origin.
    DockRect CalcClientRect(DockRect proposed, int rowIndex, int rowCount);
    // The sizing strip of an edge code, if that edge is a sizing edge now.
    std::optional<DockRect> EdgeRectFor(DockRect window, int code) const;
    int HitTest(DockRect window, DockPoint point) const;
    DockRect CloseBox(DockRect window) const;
    // New close-box states for the cursor's hit code; true when they changed.
    bool UpdateCloseButton(int hitCode, bool leftButtonDown);

    // `row` is the row's sizing bars, this one included; `paneSize` the
    // space the frame leaves to its main pane.
    void BeginEdgeDrag(int code, const std::vector<SizingBarModel*>& row, DockSize paneSize);
    // True when the size changed, so the frame lays out again.
    bool UpdateEdgeDrag(DockPoint screenPoint, const std::vector<SizingBarModel*>& row);
    void EndEdgeDrag() { dragging = false; }
    bool IsAlongRowEdge() const;

    // The size a docked layout gets, steps without the row fitting.
    DockSize FixedLayoutSize(bool stretch, bool horizontal) const;
    // A floating frame asks for a length; the answer is the floating size.
    DockSize FloatingLayout(int length, unsigned mode);
    // A move under a parent with that control identifier.
    void OnWindowPosChanging(int parentId, bool showing);

    bool IsVisibleInLayout() const override { return visible; }
    int WindowLength(bool horizontal) const override {
        return horizontal ? windowRect.Width() : windowRect.Height();
    }

    DockSize sizeHorz{200, 200};
    DockSize sizeVert{200, 200};
    DockSize sizeFloat{200, 200};
    DockSize sizeMin{33, 32};
    int edgeWidth = 5;
    int gripperSize = 0;
    int dockSide = 0;
    unsigned edgeFlags = 0;
    bool dragging = false;
    int dragEdge = 0;
    DockSize dragStartSize;
    DockPoint dragStartPoint;
    DockSize dragMin;
    DockSize dragMax;
    bool holdSizeOnce = false;
    bool layoutFromFrame = false;
    bool fullWindowDrag = true;
    CloseButton closeButton;
    bool visible = true;
    DockRect windowRect;

  private:
    // The row's sizing bar across the dragged edge, or null.
    SizingBarModel* DragNeighbour(const std::vector<SizingBarModel*>& row) const;
};
