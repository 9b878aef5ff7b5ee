// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QWidget>

#include "app/docking/MiniFrameGeometry.h"

// The caption strip of a floating frame: its title and close box. A drag of
// the strip moves the frame, a release asks where it was dropped, and a
// double-click asks to dock the bar back.
class CMiniFrameCaption : public QWidget {
    Q_OBJECT
  public:
    CMiniFrameCaption(const MiniFrameGeometry& geometry, QWidget* frame);

  signals:
    // Where the frame's top-left goes while the strip is dragged.
    void MoveRequested(QPoint topLeft);
    // The drag ended with the cursor at this screen point.
    void Dropped(QPoint globalPos);
    void DoubleClicked();
    void CloseClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    QRect CloseBox() const;

    const MiniFrameGeometry& m_geometry;
    bool m_pressed = false;
    bool m_moving = false;
    bool m_closePressed = false;
    QPoint m_pressPos;
    QPoint m_frameStart;
};
