// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

class InstanceLock;

// Hears the activation requests of later instances on the lock's socket.
class ActivationListener : public QObject {
    Q_OBJECT
  public:
    // Listens only while the lock has a descriptor to watch.
    ActivationListener(InstanceLock& lock, QObject* parent = nullptr);

  signals:
    void ActivationRequested();

  private:
    void OnReadable();

    InstanceLock& m_lock;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
