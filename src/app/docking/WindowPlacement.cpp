// SPDX-License-Identifier: MIT
#include "app/docking/WindowPlacement.h"

#include <cstdint>
#include <limits>
#include <utility>

namespace {

int64_t OverlapArea(const DockRect& a, const DockRect& b) {
    const int64_t width = std::min(a.right, b.right) - std::max(a.left, b.left);
    const int64_t height = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

bool Within(const DockRect& inner, const DockRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

DockPoint WindowPlacement::Cascade(const std::optional<DockPoint>& last, int step, DockSize window,
                                   DockSize area) {
    if (!last) return {0, 0};
    const DockPoint next{last->x + step, last->y + step};
    if (next.x < 0 || next.y < 0 || next.x + window.cx > area.cx || next.y + window.cy > area.cy)
        return {0, 0};
    return next;
}

DockPoint WindowPlacement::Clear(const std::vector<DockPoint>& candidates, DockSize window,
                                 const DockRect& bounds, const std::vector<DockRect>& obstacles) {
    DockPoint best{bounds.left, bounds.top};
    std::pair<bool, int64_t> bestScore{true, std::numeric_limits<int64_t>::max()};
    for (const DockPoint& candidate : candidates) {
        const DockRect rect{candidate.x, candidate.y, candidate.x + window.cx,
                            candidate.y + window.cy};
        int64_t covered = 0;
        for (const DockRect& obstacle : obstacles) covered += OverlapArea(rect, obstacle);
        const std::pair<bool, int64_t> score{!Within(rect, bounds), covered};
        if (score < bestScore) {
            bestScore = score;
            best = candidate;
        }
        if (score == std::pair<bool, int64_t>{false, 0}) break;
    }
    return best;
}
