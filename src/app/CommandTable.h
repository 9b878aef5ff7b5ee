// SPDX-License-Identifier: MIT
#pragma once

#include <QAction>
#include <QString>
#include <map>

class QObject;

// The QActions of the main frame keyed by command ID. Each command has one
// action, shared by its menu item and its tool-bar button. Menu texts may show
// a shortcut after a tab; no shortcut is ever bound to the key.
class CommandTable {
  public:
    explicit CommandTable(QObject* owner) : m_owner(owner) {}

    // promptAndTip is "status-bar prompt\ntool tip", either part may be empty.
    QAction* Add(int commandId, const QString& text, const QString& promptAndTip = {});
    // Null for a command the frame does not know.
    QAction* Find(int commandId) const;
    const std::map<int, QAction*>& All() const { return m_actions; }

  private:
    QObject* m_owner;
    std::map<int, QAction*> m_actions;
};
