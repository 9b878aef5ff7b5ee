// SPDX-License-Identifier: MIT
#include "app/docking/CMiniFrameCaption.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "app/docking/CloseGlyph.h"

CMiniFrameCaption::CMiniFrameCaption(const MiniFrameGeometry& geometry, QWidget* frame)
    : QWidget(frame), m_geometry(geometry) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect CMiniFrameCaption::CloseBox() const {
    const DockRect box = m_geometry.CloseBoxRect({width(), height()});
    return {box.left, box.top, box.Width(), box.Height()};
}

void CMiniFrameCaption::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool active = window()->isActiveWindow();
    const QPalette::ColorGroup group = active ? QPalette::Active : QPalette::Inactive;
    painter.fillRect(rect(), palette().color(group, active ? QPalette::Highlight : QPalette::Dark));
    const QRect box = CloseBox();
    painter.setPen(palette().color(group, QPalette::HighlightedText));
    painter.drawText(rect().adjusted(3, 0, -(width() - box.left()), 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     window()->windowTitle());
    qDrawWinButton(&painter, box, palette(), m_closePressed, &palette().brush(QPalette::Button));
    const QPoint glyph = box.center() - QPoint(3, 3) + (m_closePressed ? QPoint(1, 1) : QPoint());
    DrawCloseGlyph(painter, glyph, palette().color(QPalette::ButtonText));
}

void CMiniFrameCaption::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    if (CloseBox().contains(event->position().toPoint())) {
        m_closePressed = true;
        update();
        return;
    }
    m_pressed = true;
    m_moving = false;
    m_pressPos = event->globalPosition().toPoint();
    m_frameStart = window()->pos();
}

void CMiniFrameCaption::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint moved = event->globalPosition().toPoint() - m_pressPos;
    if (!m_moving && moved.manhattanLength() < QApplication::startDragDistance()) return;
    m_moving = true;
    emit MoveRequested(m_frameStart + moved);
}

void CMiniFrameCaption::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const bool close = m_closePressed && CloseBox().contains(event->position().toPoint());
    const bool dropped = m_pressed && m_moving;
    m_closePressed = m_pressed = m_moving = false;
    update();
    // Either may take the frame away; nothing of it is touched afterwards.
    if (close) emit CloseClicked();
    if (dropped) emit Dropped(event->globalPosition().toPoint());
}

void CMiniFrameCaption::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || CloseBox().contains(event->position().toPoint()))
        return QWidget::mouseDoubleClickEvent(event);
    m_pressed = m_moving = false;
    emit DoubleClicked();
}
