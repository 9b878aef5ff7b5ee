#include "app/CMiniDockFrame.h"

#include <QCloseEvent>

#include "app/CSizingControlBar.h"

CMiniDockFrame::CMiniDockFrame(CSizingControlBar& bar, QWidget* frame)
    : QWidget(frame, Qt::Tool), m_bar(bar) {
    setWindowTitle(bar.windowTitle());
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(bar.Model().sizeMin.cx, bar.Model().sizeMin.cy);
    bar.setParent(this);
    bar.show();
    FitToBar();
}

void CMiniDockFrame::FitToBar() {
    const DockSize size = m_bar.Model().sizeFloat;
    resize(size.cx, size.cy);
    m_bar.PlaceAt(rect());
}

void CMiniDockFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_bFitting || m_bar.parentWidget() != this) return;
    m_bFitting = true;
    m_bar.CalcDynamicLayout(width(), 0);
    const QSize size = m_bar.CalcDynamicLayout(height(), layout::LengthIsHeight);
    if (size != this->size()) resize(size);
    m_bar.PlaceAt(rect());
    m_bFitting = false;
}

void CMiniDockFrame::closeEvent(QCloseEvent* event) {
    // Closing the frame hides the bar; the application may show it again.
    m_bar.Model().visible = false;
    event->accept();
}
