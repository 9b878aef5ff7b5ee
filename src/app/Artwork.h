// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QImage>

class QPainter;

// The program's images, drawn rather than loaded: the 16 x 15 tool-bar
// buttons and the window icon.
QIcon ToolBarImage(int commandId);
QIcon ApplicationIcon();

// The icon is drawn on a 32 x 32 grid and scales to any size; the desktop's
// icon files are made from the same drawing at build time.
inline constexpr int kIconDesignSize = 32;
void PaintApplicationIcon(QPainter& painter, int size);
// The icon as a size x size bitmap on a transparent ground.
QImage ApplicationIconImage(int size);
