// SPDX-License-Identifier: MIT
#include "app/CChildFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>

#include "app/CBorealixDoc.h"

CChildFrame::CChildFrame(const QString& caption, QWidget* parent)
    : QMdiSubWindow(parent), m_strCaption(caption) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_strCaption);
}

void CChildFrame::changeEvent(QEvent* event) {
    // QMdiSubWindow copies the view's title into the caption; put ours back.
    if (event->type() == QEvent::WindowTitleChange && windowTitle() != m_strCaption)
        setWindowTitle(m_strCaption);
    QMdiSubWindow::changeEvent(event);
}

bool CChildFrame::QueryClose() {
    if (m_pDocument && !m_pDocument->SaveModified()) return false;
    QWidget* view = GetActiveView();
    if (!view) return true;
    QCloseEvent query;
    QApplication::sendEvent(view, &query);
    return query.isAccepted();
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_pDocument && !m_pDocument->SaveModified()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}
