// SPDX-License-Identifier: MIT
#include "app/QuitOnTerminate.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>

namespace {

int g_signalPipe[2] = {-1, -1};

void WriteSignalByte(int) {
    const char byte = 1;
    (void)!write(g_signalPipe[1], &byte, 1);
}

}  // namespace

QuitOnTerminate::QuitOnTerminate(QObject* parent) : QObject(parent) {
    if (g_signalPipe[0] < 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [] {
        char bytes[16];
        while (read(g_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) sigaction(signalNumber, &action, nullptr);
}

QuitOnTerminate::~QuitOnTerminate() {
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) signal(signalNumber, SIG_DFL);
}
