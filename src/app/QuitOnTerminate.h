#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

// SIGTERM and SIGINT end the message loop as closing the main window does, so
// the exit steps (releasing the single-instance lock) still run.
class QuitOnTerminate : public QObject {
    Q_OBJECT
  public:
    explicit QuitOnTerminate(QObject* parent = nullptr);
    ~QuitOnTerminate() override;

  private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
