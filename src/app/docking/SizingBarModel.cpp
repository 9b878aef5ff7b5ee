// SPDX-License-Identifier: MIT
#include "app/docking/SizingBarModel.h"

#include <algorithm>

#include "app/docking/SizingBarList.h"

namespace {

DockSize RaisedTo(DockSize size, DockSize minimum) {
    return {std::max(size.cx, minimum.cx), std::max(size.cy, minimum.cy)};
}

// The minimum wins where the bounds cross.
int Clamped(int value, int low, int high) {
    return std::max(low, std::min(value, high));
}

}  // namespace

SizingBarModel::~SizingBarModel() {
    SizingBarList::Remove(this);
}

void SizingBarModel::SetLength(bool horizontal, int length) {
    (horizontal ? sizeHorz.cx : sizeVert.cy) = length;
}

void SizingBarModel::SetThickness(bool horizontal, int thickness) {
    (horizontal ? sizeHorz.cy : sizeVert.cx) = thickness;
}

DockRect SizingBarModel::CalcClientRect(DockRect proposed, int rowIndex, int rowCount) {
    DockRect r = proposed.Shrunk(kNonClientBorder);
    edgeFlags &= ~edge::All;
    switch (dockSide) {
        case dock::Top:
            edgeFlags |= edge::Bottom;
            r.left += gripperSize;
            break;
        case dock::Bottom:
            edgeFlags |= edge::Top;
            r.left += gripperSize;
            break;
        case dock::Left:
            edgeFlags |= edge::Right;
            r.top += gripperSize;
            break;
        case dock::Right:
            edgeFlags |= edge::Left;
            r.top += gripperSize;
            break;
        default:
            break;
    }
    if (IsDocked() && rowIndex >= 0) {
        if (rowIndex > 0) edgeFlags |= IsHorizontal() ? edge::Left : edge::Top;
        if (rowIndex < rowCount - 1) edgeFlags |= IsHorizontal() ? edge::Right : edge::Bottom;
    }
    const DockPoint origin = IsHorizontal()
                                 ? DockPoint{r.left - gripperSize - 1, r.top - 1}
                                 : DockPoint{r.right - kCloseBoxSize, r.top - gripperSize - 1};
    closeButton.origin = {origin.x - proposed.left, origin.y - proposed.top};
    return r;
}

std::optional<DockRect> SizingBarModel::EdgeRectFor(DockRect window, int code) const {
    DockRect r = window;
    const bool horizontal = IsHorizontal();
    auto exists = [this](unsigned flag) { return (edgeFlags & flag) != 0; };
    switch (code) {
        case hit::Left:
            if (!exists(edge::Left)) return std::nullopt;
            r.right = r.left + edgeWidth;
            if (horizontal) r.top += edgeWidth, r.bottom -= edgeWidth;
            return r;
        case hit::Right:
            if (!exists(edge::Right)) return std::nullopt;
            r.left = r.right - edgeWidth;
            if (horizontal) r.top += edgeWidth, r.bottom -= edgeWidth;
            return r;
        case hit::Top:
            if (!exists(edge::Top)) return std::nullopt;
            r.bottom = r.top + edgeWidth;
            if (!horizontal) r.left += edgeWidth, r.right -= edgeWidth;
            return r;
        case hit::Bottom:
            if (!exists(edge::Bottom)) return std::nullopt;
            r.top = r.bottom - edgeWidth;
            if (!horizontal) r.left += edgeWidth, r.right -= edgeWidth;
            return r;
        default:
            return r;
    }
}

DockRect SizingBarModel::CloseBox(DockRect window) const {
    const int x = window.left + closeButton.origin.x;
    const int y = window.top + closeButton.origin.y;
    return {x, y, x + kCloseBoxSize, y + kCloseBoxSize};
}

int SizingBarModel::HitTest(DockRect window, DockPoint point) const {
    if (!IsDocked()) return hit::Default;
    for (int code : {hit::Left, hit::Top, hit::Right, hit::Bottom}) {
        const std::optional<DockRect> strip = EdgeRectFor(window, code);
        if (strip && strip->Contains(point)) return code;
    }
    return CloseBox(window).Contains(point) ? hit::Close : hit::Client;
}

bool SizingBarModel::UpdateCloseButton(int hitCode, bool leftButtonDown) {
    const bool onClose = hitCode == hit::Close;
    const bool pressed = onClose && leftButtonDown;
    const bool hot = onClose && !leftButtonDown;
    if (pressed == closeButton.pressed && hot == closeButton.hot) return false;
    closeButton.pressed = pressed;
    closeButton.hot = hot;
    return true;
}

bool SizingBarModel::IsAlongRowEdge() const {
    const bool sideEdge = dragEdge == hit::Left || dragEdge == hit::Right;
    return IsHorizontal() ? sideEdge : !sideEdge;
}

SizingBarModel* SizingBarModel::DragNeighbour(const std::vector<SizingBarModel*>& row) const {
    const auto self = std::find(row.begin(), row.end(), this);
    if (self == row.end()) return nullptr;
    const bool before = dragEdge == hit::Top || dragEdge == hit::Left;
    if (before) return self == row.begin() ? nullptr : *(self - 1);
    return self + 1 == row.end() ? nullptr : *(self + 1);
}

void SizingBarModel::BeginEdgeDrag(int code, const std::vector<SizingBarModel*>& row,
                                   DockSize paneSize) {
    dragStartSize = OrientedSize();
    dragStartPoint = EdgeRectFor(windowRect, code).value_or(windowRect).Centre();
    dragEdge = code;
    dragging = true;

    const bool horizontal = IsHorizontal();
    dragMin = sizeMin;
    int& thicknessMin = horizontal ? dragMin.cy : dragMin.cx;
    for (const SizingBarModel* bar : row)
        thicknessMin = std::max(thicknessMin, bar->MinThickness(horizontal));

    const SizingBarModel* neighbour = IsAlongRowEdge() ? DragNeighbour(row) : nullptr;
    if (neighbour) {
        const DockSize& other = horizontal ? neighbour->sizeHorz : neighbour->sizeVert;
        dragMax = {other.cx + dragStartSize.cx - neighbour->sizeMin.cx,
                   other.cy + dragStartSize.cy - neighbour->sizeMin.cy};
    } else {
        dragMax = {dragStartSize.cx + paneSize.cx - 4, dragStartSize.cy + paneSize.cy - 4};
    }
}

bool SizingBarModel::UpdateEdgeDrag(DockPoint point, const std::vector<SizingBarModel*>& row) {
    DockSize size = dragStartSize;
    switch (dragEdge) {
        case hit::Left:
            size.cx += dragStartPoint.x - point.x;
            break;
        case hit::Right:
            size.cx += point.x - dragStartPoint.x;
            break;
        case hit::Top:
            size.cy += dragStartPoint.y - point.y;
            break;
        case hit::Bottom:
            size.cy += point.y - dragStartPoint.y;
            break;
        default:
            break;
    }
    size = {Clamped(size.cx, dragMin.cx, dragMax.cx), Clamped(size.cy, dragMin.cy, dragMax.cy)};
    DockSize& current = OrientedSize();
    if (size == current) return false;

    const bool horizontal = IsHorizontal();
    const int lengthChange = horizontal ? size.cx - current.cx : size.cy - current.cy;
    current = size;
    if (SizingBarModel* neighbour = IsAlongRowEdge() ? DragNeighbour(row) : nullptr)
        neighbour->SetLength(horizontal, neighbour->Length(horizontal) - lengthChange);
    for (SizingBarModel* bar : row) bar->SetThickness(horizontal, Thickness(horizontal));
    return true;
}

DockSize SizingBarModel::FixedLayoutSize(bool stretch, bool horizontal) const {
    if (stretch) return horizontal ? DockSize{32767, sizeHorz.cy} : DockSize{sizeVert.cx, 32767};
    return RaisedTo(horizontal ? sizeHorz : sizeVert, sizeMin);
}

DockSize SizingBarModel::FloatingLayout(int length, unsigned mode) {
    if (!(mode & (layout::MostRecentUsed | layout::Commit))) {
        (mode & layout::LengthIsHeight ? sizeFloat.cy : sizeFloat.cx) = length;
        sizeFloat = RaisedTo(sizeFloat, sizeMin);
    }
    return sizeFloat;
}

void SizingBarModel::OnWindowPosChanging(int parentId, bool showing) {
    dockSide = parentId;
    if (IsDocked() && showing) holdSizeOnce = true;
}
