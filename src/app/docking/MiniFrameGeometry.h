// SPDX-License-Identifier: MIT
#pragma once

#include "app/docking/DockGeometry.h"

// The floating frame of a bar in its own coordinates: a sizing border all
// round, the caption strip along the top with a close box at its right end,
// and the bar below it. The frame draws all of it; the window manager adds
// nothing, so the strip behaves as the bar's own caption.
class MiniFrameGeometry {
  public:
    static constexpr int kBorder = 3;

    explicit MiniFrameGeometry(int captionHeight) : captionHeight_(captionHeight) {}

    int CaptionHeight() const { return captionHeight_; }
    DockSize FrameSizeFor(DockSize bar) const;
    DockSize BarSizeFor(DockSize frame) const;
    DockRect CaptionRect(DockSize frame) const;
    DockRect BarRect(DockSize frame) const;
    // In the caption's own coordinates.
    DockRect CloseBoxRect(DockSize caption) const;
    // The sizing edges (edge:: flags) under a point: two in a corner, none
    // off the border.
    unsigned EdgesAt(DockSize frame, DockPoint point) const;
    // The frame after its edges were dragged by `delta` from `start`: the
    // other edges stay, and it never gets smaller than `minimum`.
    static DockRect Resized(const DockRect& start, unsigned edges, DockPoint delta,
                            DockSize minimum);

  private:
    int captionHeight_;
};
