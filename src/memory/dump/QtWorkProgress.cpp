// SPDX-License-Identifier: MIT
#include "memory/dump/QtWorkProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <utility>

#include "platform/MessageBox.h"

namespace {

constexpr int kSteps = 1000;

int StepOf(uint64_t done, uint64_t total) {
    if (total == 0 || done >= total) return kSteps;
    return static_cast<int>(done * kSteps / total);
}

}  // namespace

QtWorkProgress::QtWorkProgress(QWidget* parent, QString label, std::chrono::milliseconds delay)
    : m_parent(parent), m_label(std::move(label)), m_delay(delay) {
    m_clock.start();
}

QtWorkProgress::~QtWorkProgress() = default;

void QtWorkProgress::ShowDialog() {
    m_dialog =
        std::make_unique<QProgressDialog>(m_label, QObject::tr("Cancel"), 0, kSteps, m_parent);
    m_dialog->setWindowTitle(QString::fromStdString(MessageTitle()));
    // Nothing else may be touched while the work runs on this thread.
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->show();
}

bool QtWorkProgress::OnProgress(uint64_t done, uint64_t total) {
    if (!m_dialog) {
        if (m_clock.elapsed() < m_delay.count()) return true;
        ShowDialog();
    }
    m_dialog->setValue(StepOf(done, total));
    QCoreApplication::processEvents();
    return !m_dialog->wasCanceled();
}
