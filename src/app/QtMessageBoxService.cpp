// SPDX-License-Identifier: MIT
#include "app/QtMessageBoxService.h"

#include <QApplication>

#include "app/CMessageBox.h"

void QtMessageBoxService::Show(const std::string& title, const std::string& text) {
    CMessageBox box(QString::fromStdString(title), QString::fromStdString(text),
                    CMessageBox::Buttons::Ok, QApplication::activeWindow());
    box.exec();
}

MessageAnswer QtMessageBoxService::Ask(const std::string& title, const std::string& text) {
    CMessageBox box(QString::fromStdString(title), QString::fromStdString(text),
                    CMessageBox::Buttons::YesNoCancel, QApplication::activeWindow());
    box.exec();
    return box.Answer();
}
