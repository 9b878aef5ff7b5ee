// SPDX-License-Identifier: MIT
#include "app/ActivationListener.h"

#include "platform/InstanceLock.h"

ActivationListener::ActivationListener(InstanceLock& lock, QObject* parent)
    : QObject(parent), m_lock(lock) {
    if (m_lock.ActivationDescriptor() < 0) return;
    m_notifier =
        std::make_unique<QSocketNotifier>(m_lock.ActivationDescriptor(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &ActivationListener::OnReadable);
}

void ActivationListener::OnReadable() {
    if (m_lock.AcceptActivation()) emit ActivationRequested();
}
