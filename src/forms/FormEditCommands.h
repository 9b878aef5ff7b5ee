// SPDX-License-Identifier: MIT
#pragma once

class QLineEdit;
class QWidget;

// The standard Copy, Cut and Paste commands of a form view, served by the
// edit field that has the focus inside the form.
class FormEditCommands {
  public:
    explicit FormEditCommands(const QWidget& form) : m_form(form) {}

    bool CanCopy() const;
    bool CanPaste() const;
    void Copy() const;
    void Cut() const;
    void Paste() const;

  private:
    QLineEdit* FocusedEdit() const;

    const QWidget& m_form;
};
