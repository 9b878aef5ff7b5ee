// SPDX-License-Identifier: MIT
#include "app/QtShellOpen.h"

#include <QDesktopServices>
#include <QUrl>

bool QtShellOpen::Open(const std::string& address) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}
