// SPDX-License-Identifier: MIT
#include "app/Artwork.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "app/CommandIds.h"

namespace {

constexpr int kButtonWidth = 16;
constexpr int kButtonHeight = 15;

void DrawFloppy(QPainter& p, int x, int y) {
    p.setPen(Qt::black);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(x, y, 10, 10);
    p.setBrush(Qt::white);
    p.drawRect(x + 2, y, 6, 4);
    p.fillRect(x + 3, y + 7, 5, 3, QColor(192, 192, 192));
}

void DrawPage(QPainter& p, int x, int y) {
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(x, y, 7, 9);
    p.setPen(QColor(0, 0, 128));
    for (int line = 2; line < 9; line += 2) p.drawLine(x + 2, y + line, x + 5, y + line);
}

void DrawScissors(QPainter& p) {
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(5, 1, 9, 9);
    p.drawLine(10, 1, 6, 9);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 128), 1));
    p.drawEllipse(2, 9, 4, 4);
    p.drawEllipse(9, 9, 4, 4);
}

void DrawClipboard(QPainter& p) {
    p.setPen(Qt::black);
    p.setBrush(QColor(128, 96, 32));
    p.drawRect(1, 2, 9, 11);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(3, 1, 5, 2);
    DrawPage(p, 7, 5);
}

void DrawQuestionMark(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 160));
    p.drawEllipse(1, 0, 14, 14);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(5, 2, 6, 6, 180 * 16, -270 * 16);
    p.drawLine(8, 8, 8, 9);
    p.drawPoint(8, 12);
}

void DrawGlobe(QPainter& p) {
    p.setPen(QColor(0, 64, 0));
    p.setBrush(QColor(64, 128, 255));
    p.drawEllipse(1, 0, 14, 14);
    p.setBrush(QColor(0, 160, 64));
    QPainterPath land;
    land.moveTo(4, 3);
    land.cubicTo(8, 2, 9, 6, 6, 8);
    land.cubicTo(5, 10, 9, 12, 7, 13);
    land.cubicTo(3, 11, 2, 6, 4, 3);
    p.drawPath(land);
    p.drawEllipse(10, 4, 3, 4);
}

}  // namespace

QIcon ToolBarImage(int commandId) {
    QPixmap pixmap(kButtonWidth, kButtonHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    switch (commandId) {
        case cmd::Save:
            DrawFloppy(p, 3, 2);
            break;
        case cmd::SaveAll:
            DrawFloppy(p, 1, 0);
            DrawFloppy(p, 5, 4);
            break;
        case cmd::EditCut:
            DrawScissors(p);
            break;
        case cmd::EditCopy:
            DrawPage(p, 1, 1);
            DrawPage(p, 7, 5);
            break;
        case cmd::EditPaste:
            DrawClipboard(p);
            break;
        case cmd::AppAbout:
            DrawQuestionMark(p);
            break;
        case cmd::SupportWebsite:
            DrawGlobe(p);
            break;
        default:
            break;
    }
    p.end();
    return QIcon(pixmap);
}

// A board with a chip on it.
void PaintApplicationIcon(QPainter& p, int size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / double(kIconDesignSize), size / double(kIconDesignSize));
    p.setPen(QColor(0, 64, 0));
    p.setBrush(QColor(0, 128, 64));
    p.drawRoundedRect(1, 1, 30, 30, 4, 4);
    p.setPen(QPen(QColor(220, 180, 60), 2));
    for (int pin = 8; pin <= 24; pin += 4) {
        p.drawLine(pin, 4, pin, 9);
        p.drawLine(pin, 23, pin, 28);
        p.drawLine(4, pin, 9, pin);
        p.drawLine(23, pin, 28, pin);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(32, 32, 32));
    p.drawRect(9, 9, 14, 14);
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(11, 11, 3, 3);
    p.restore();
}

QImage ApplicationIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    PaintApplicationIcon(p, size);
    p.end();
    return image;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {kIconDesignSize, 48})
        icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
}
