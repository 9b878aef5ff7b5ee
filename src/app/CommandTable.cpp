// SPDX-License-Identifier: MIT
#include "app/CommandTable.h"

#include <QStringList>

QAction* CommandTable::Add(int commandId, const QString& text, const QString& promptAndTip) {
    auto* action = new QAction(text, m_owner);
    const QStringList parts = promptAndTip.split(u'\n');
    action->setStatusTip(parts.value(0));
    if (parts.size() > 1) action->setToolTip(parts.value(1));
    action->setShortcuts({});
    action->setData(commandId);
    m_actions[commandId] = action;
    return action;
}

QAction* CommandTable::Find(int commandId) const {
    auto it = m_actions.find(commandId);
    return it == m_actions.end() ? nullptr : it->second;
}
