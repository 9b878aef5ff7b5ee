// SPDX-License-Identifier: MIT
#include "app/StatusIndicators.h"

#include <QFontMetrics>
#include <QStatusBar>

namespace {

constexpr const char* kPaneTexts[3] = {"CAP", "NUM", "SCRL"};
constexpr int kRefreshMilliseconds = 250;

}  // namespace

StatusIndicators::StatusIndicators(QStatusBar& statusBar, std::unique_ptr<LockKeyState> state)
    : QObject(&statusBar), m_state(std::move(state)) {
    for (int i = 0; i < 3; ++i) {
        m_panes[i] = new QLabel(&statusBar);
        m_panes[i]->setAlignment(Qt::AlignCenter);
        m_panes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        const int width = m_panes[i]->fontMetrics().horizontalAdvance(kPaneTexts[i]);
        m_panes[i]->setMinimumWidth(width + 8);
        statusBar.addPermanentWidget(m_panes[i]);
    }
    connect(&m_timer, &QTimer::timeout, this, &StatusIndicators::Refresh);
    m_timer.start(kRefreshMilliseconds);
    Refresh();
}

void StatusIndicators::Refresh() {
    for (int i = 0; i < 3; ++i) {
        const bool on = m_state->IsOn(static_cast<LockKey>(i));
        m_panes[i]->setText(on ? kPaneTexts[i] : "");
    }
}
