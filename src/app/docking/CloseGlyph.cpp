// SPDX-License-Identifier: MIT
#include "app/docking/CloseGlyph.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPoint>

void DrawCloseGlyph(QPainter& painter, const QPoint& origin, const QColor& colour) {
    painter.save();
    painter.setPen(QPen(colour, 1));
    for (int shift : {0, 1}) {
        painter.drawLine(origin + QPoint(shift, 0), origin + QPoint(5 + shift, 6));
        painter.drawLine(origin + QPoint(5 + shift, 0), origin + QPoint(shift, 6));
    }
    painter.restore();
}
