#include "app/QtMessageBoxService.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBoxService::Show(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
