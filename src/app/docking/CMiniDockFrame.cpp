// SPDX-License-Identifier: MIT
#include "app/docking/CMiniDockFrame.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "app/docking/CDockSite.h"
#include "app/docking/CMiniFrameCaption.h"
#include "app/docking/CSizingControlBar.h"

namespace {

// A small caption, as tool windows have: the text and a little room.
int CaptionHeightFor(const QFont& font) {
    return std::max(QFontMetrics(font).height() + 4, 14);
}

Qt::CursorShape CursorFor(unsigned edges) {
    const bool horizontal = edges & (edge::Left | edge::Right);
    const bool vertical = edges & (edge::Top | edge::Bottom);
    if (horizontal && vertical) {
        // Top-left and bottom-right fall; the other two corners rise.
        const bool falling = ((edges & edge::Left) != 0) == ((edges & edge::Top) != 0);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal) return Qt::SizeHorCursor;
    if (vertical) return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

}  // namespace

CMiniDockFrame::CMiniDockFrame(CSizingControlBar& bar, CDockSite& site, QWidget* frame)
    : QWidget(frame, Qt::Tool | Qt::FramelessWindowHint),
      m_bar(bar),
      m_site(site),
      m_geometry(CaptionHeightFor(QApplication::font())) {
    setWindowTitle(bar.windowTitle());
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setMinimumSize(FrameSizeFor(QSize(bar.Model().sizeMin.cx, bar.Model().sizeMin.cy)));
    m_caption = new CMiniFrameCaption(m_geometry, this);
    connect(m_caption, &CMiniFrameCaption::MoveRequested, this,
            [this](QPoint topLeft) { move(topLeft); });
    connect(m_caption, &CMiniFrameCaption::Dropped, this,
            [this](QPoint globalPos) { m_site.DockNear(m_bar, globalPos); });
    connect(m_caption, &CMiniFrameCaption::DoubleClicked, this,
            [this] { m_site.ToggleDocking(m_bar); });
    connect(m_caption, &CMiniFrameCaption::CloseClicked, this,
            [this] { m_site.ShowControlBar(m_bar, false); });
    bar.setParent(this);
    bar.show();
    FitToBar();
}

QSize CMiniDockFrame::FrameSizeFor(QSize barSize) const {
    const DockSize frame = m_geometry.FrameSizeFor({barSize.width(), barSize.height()});
    return {frame.cx, frame.cy};
}

void CMiniDockFrame::FitToBar() {
    const DockSize size = m_bar.Model().sizeFloat;
    resize(FrameSizeFor(QSize(size.cx, size.cy)));
    PlaceParts();
}

void CMiniDockFrame::PlaceParts() {
    const DockRect caption = m_geometry.CaptionRect({width(), height()});
    m_caption->setGeometry(caption.left, caption.top, caption.Width(), caption.Height());
    const DockRect bar = m_geometry.BarRect({width(), height()});
    if (m_bar.parentWidget() == this)
        m_bar.PlaceAt(QRect(bar.left, bar.top, bar.Width(), bar.Height()));
}

void CMiniDockFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false, &palette().brush(QPalette::Button));
}

void CMiniDockFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_bFitting || m_bar.parentWidget() != this) return;
    m_bFitting = true;
    const DockSize wanted = m_geometry.BarSizeFor({width(), height()});
    m_bar.CalcDynamicLayout(wanted.cx, 0);
    const QSize size = FrameSizeFor(m_bar.CalcDynamicLayout(wanted.cy, layout::LengthIsHeight));
    if (size != this->size()) resize(size);
    PlaceParts();
    m_bFitting = false;
}

void CMiniDockFrame::closeEvent(QCloseEvent* event) {
    // Closing the frame hides the bar; the application may show it again.
    if (m_bar.Model().visible) m_site.ShowControlBar(m_bar, false);
    event->accept();
}

void CMiniDockFrame::changeEvent(QEvent* event) {
    // The caption shows whether the frame is the active window.
    if (event->type() == QEvent::ActivationChange) m_caption->update();
    QWidget::changeEvent(event);
}

void CMiniDockFrame::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const unsigned edges = m_geometry.EdgesAt({width(), height()}, {point.x(), point.y()});
    if (event->button() != Qt::LeftButton || edges == 0) return QWidget::mousePressEvent(event);
    m_sizingEdges = edges;
    m_sizingStart = event->globalPosition().toPoint();
    m_sizingFrame = geometry();
}

void CMiniDockFrame::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (m_sizingEdges == 0) {
        setCursor(CursorFor(m_geometry.EdgesAt({width(), height()}, {point.x(), point.y()})));
        return;
    }
    const QPoint delta = event->globalPosition().toPoint() - m_sizingStart;
    const QRect& start = m_sizingFrame;
    const DockRect resized = MiniFrameGeometry::Resized(
        {start.left(), start.top(), start.left() + start.width(), start.top() + start.height()},
        m_sizingEdges, {delta.x(), delta.y()}, {minimumWidth(), minimumHeight()});
    setGeometry(resized.left, resized.top, resized.Width(), resized.Height());
}

void CMiniDockFrame::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_sizingEdges = 0;
    QWidget::mouseReleaseEvent(event);
}
