// SPDX-License-Identifier: MIT
#include "forms/FormEditCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>

QLineEdit* FormEditCommands::FocusedEdit() const {
    QWidget* focused = QApplication::focusWidget();
    if (!focused || !m_form.isAncestorOf(focused)) return nullptr;
    // An editable combo box keeps the focus itself and hands keys to its edit.
    if (auto* box = qobject_cast<QComboBox*>(focused)) return box->lineEdit();
    return qobject_cast<QLineEdit*>(focused);
}

bool FormEditCommands::CanCopy() const {
    QLineEdit* edit = FocusedEdit();
    return edit && edit->hasSelectedText();
}

bool FormEditCommands::CanPaste() const {
    QLineEdit* edit = FocusedEdit();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return edit && !edit->isReadOnly() && data && data->hasText();
}

void FormEditCommands::Copy() const {
    if (QLineEdit* edit = FocusedEdit()) edit->copy();
}

void FormEditCommands::Cut() const {
    QLineEdit* edit = FocusedEdit();
    if (!edit) return;
    // A read-only field gives its text but keeps it, as cutting there does.
    if (edit->isReadOnly())
        edit->copy();
    else
        edit->cut();
}

void FormEditCommands::Paste() const {
    QLineEdit* edit = FocusedEdit();
    if (edit && !edit->isReadOnly()) edit->paste();
}
