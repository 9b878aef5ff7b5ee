// SPDX-License-Identifier: MIT
#pragma once

// Anything a dock bar keeps in its rows: the row walk needs only whether a
// bar takes part in layout and how long its window is.
class DockedBar {
  public:
    virtual ~DockedBar() = default;
    // Shown, or about to be shown, and not about to be hidden.
    virtual bool IsVisibleInLayout() const = 0;
    // The window's extent along a row of that orientation.
    virtual int WindowLength(bool horizontal) const = 0;
};
