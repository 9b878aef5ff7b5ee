// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

// SIGTERM, SIGINT and SIGHUP end the message loop as closing the main window
// does, so the exit steps still run: the single-instance lock is released,
// the windows delete their temporary files and the private temporary folder
// goes with the process.
class QuitOnTerminate : public QObject {
    Q_OBJECT
  public:
    explicit QuitOnTerminate(QObject* parent = nullptr);
    ~QuitOnTerminate() override;

  private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
