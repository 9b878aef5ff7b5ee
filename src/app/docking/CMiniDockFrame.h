// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

#include "app/docking/MiniFrameGeometry.h"

class CDockSite;
class CMiniFrameCaption;
class CSizingControlBar;

// The small tool window a floating bar lives in. It draws its own caption
// strip and sizing border instead of the window manager's, so that dragging
// the strip onto an edge of the frame docks the bar and a double-click on it
// docks the bar back.
class CMiniDockFrame : public QWidget {
    Q_OBJECT
  public:
    CMiniDockFrame(CSizingControlBar& bar, CDockSite& site, QWidget* frame);
    CSizingControlBar& Bar() const { return m_bar; }
    CMiniFrameCaption& Caption() const { return *m_caption; }
    const MiniFrameGeometry& Geometry() const { return m_geometry; }
    // Back to the bar's floating size.
    void FitToBar();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void PlaceParts();
    QSize FrameSizeFor(QSize barSize) const;

    CSizingControlBar& m_bar;
    CDockSite& m_site;
    MiniFrameGeometry m_geometry;
    CMiniFrameCaption* m_caption = nullptr;
    bool m_bFitting = false;
    // A drag of the sizing border: the edges it moves and where it began.
    unsigned m_sizingEdges = 0;
    QPoint m_sizingStart;
    QRect m_sizingFrame;
};
