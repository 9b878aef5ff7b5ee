// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <vector>

#include "app/docking/DockGeometry.h"

// Where windows open: a new window of the MDI area cascades inside it, and a
// bar the program floats opens clear of the windows it would cover.
class WindowPlacement {
  public:
    // One step right and down from the window opened last, or the area's
    // corner when there is none; back at the corner when the window would
    // not fit in the area from there.
    static DockPoint Cascade(const std::optional<DockPoint>& last, int step, DockSize window,
                             DockSize area);
    // The first candidate top-left at which the window lies within bounds
    // and covers none of the obstacles; where none does, the candidate
    // within bounds that covers the least of them (any candidate when none
    // is within bounds).
    static DockPoint Clear(const std::vector<DockPoint>& candidates, DockSize window,
                           const DockRect& bounds, const std::vector<DockRect>& obstacles);
};
