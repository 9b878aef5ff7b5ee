// SPDX-License-Identifier: MIT
#pragma once

class QColor;
class QPainter;
class QPoint;

// The close glyph of bars and floating frames: an X two pixels thick, 7
// pixels square at every resolution, its top-left at `origin`.
void DrawCloseGlyph(QPainter& painter, const QPoint& origin, const QColor& colour);
