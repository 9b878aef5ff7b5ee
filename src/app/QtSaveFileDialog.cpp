// SPDX-License-Identifier: MIT
#include "app/QtSaveFileDialog.h"

#include <QFileDialog>

void QtSaveFileDialog::Configure(QFileDialog& dialog, const SaveFileRequest& request) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QString::fromStdString(request.initialDirectory));
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    dialog.selectFile(QString::fromStdString(request.defaultName));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
}

std::optional<std::string> QtSaveFileDialog::AskSavePath(const SaveFileRequest& request) {
    QFileDialog dialog;
    Configure(dialog, request);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return {};
    return chosen.first().toStdString();
}
