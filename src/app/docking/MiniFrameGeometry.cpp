// SPDX-License-Identifier: MIT
#include "app/docking/MiniFrameGeometry.h"

#include <algorithm>

DockSize MiniFrameGeometry::FrameSizeFor(DockSize bar) const {
    return {bar.cx + 2 * kBorder, bar.cy + 2 * kBorder + captionHeight_};
}

DockSize MiniFrameGeometry::BarSizeFor(DockSize frame) const {
    return {std::max(0, frame.cx - 2 * kBorder),
            std::max(0, frame.cy - 2 * kBorder - captionHeight_)};
}

DockRect MiniFrameGeometry::CaptionRect(DockSize frame) const {
    return {kBorder, kBorder, frame.cx - kBorder, kBorder + captionHeight_};
}

DockRect MiniFrameGeometry::BarRect(DockSize frame) const {
    return {kBorder, kBorder + captionHeight_, frame.cx - kBorder, frame.cy - kBorder};
}

DockRect MiniFrameGeometry::CloseBoxRect(DockSize caption) const {
    const int side = std::max(captionHeight_ - 4, 1);
    const int top = (caption.cy - side) / 2;
    return {caption.cx - 2 - side, top, caption.cx - 2, top + side};
}

unsigned MiniFrameGeometry::EdgesAt(DockSize frame, DockPoint point) const {
    unsigned edges = 0;
    if (point.x < kBorder) edges |= edge::Left;
    if (point.x >= frame.cx - kBorder) edges |= edge::Right;
    if (point.y < kBorder) edges |= edge::Top;
    if (point.y >= frame.cy - kBorder) edges |= edge::Bottom;
    return edges;
}

DockRect MiniFrameGeometry::Resized(const DockRect& start, unsigned edges, DockPoint delta,
                                    DockSize minimum) {
    DockRect r = start;
    if (edges & edge::Left) r.left = std::min(start.left + delta.x, start.right - minimum.cx);
    if (edges & edge::Right) r.right = std::max(start.right + delta.x, start.left + minimum.cx);
    if (edges & edge::Top) r.top = std::min(start.top + delta.y, start.bottom - minimum.cy);
    if (edges & edge::Bottom) r.bottom = std::max(start.bottom + delta.y, start.top + minimum.cy);
    return r;
}
