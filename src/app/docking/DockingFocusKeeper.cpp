// SPDX-License-Identifier: MIT
#include "app/docking/DockingFocusKeeper.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

DockingFocusKeeper::DockingFocusKeeper(QWidget& bar, QMdiArea* area)
    : m_area(area), m_active(area ? area->currentSubWindow() : nullptr) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !bar.isAncestorOf(focus)) return;
    m_focus = focus;
    m_focusWindow = focus->window();
    // Without a focus widget there is nothing for Qt to pass along the chain.
    focus->clearFocus();
}

DockingFocusKeeper::~DockingFocusKeeper() {
    if (m_area && m_active && m_area->currentSubWindow() != m_active)
        m_area->setActiveSubWindow(m_active);
    if (!m_focus) return;
    QWidget* frame = m_area ? m_area->window() : nullptr;
    const bool shown = m_focus->isVisible();
    // Shown, it keeps the focus in whatever window now holds the bar.
    if (shown) m_focus->setFocus(Qt::OtherFocusReason);
    if (shown && m_focus->window() == frame) {
        // Docked from a floating frame that is going away.
        if (frame && m_focusWindow != frame && !frame->isActiveWindow()) frame->activateWindow();
        return;
    }
    // The bar left the main frame or was hidden: the frame's keyboard goes
    // back to its active child, to the widget that had it there.
    if (m_focusWindow == frame && m_active && m_active->focusWidget())
        m_active->focusWidget()->setFocus(Qt::OtherFocusReason);
}
