// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QString>

#include "platform/MessageBox.h"

class QDialogButtonBox;
class QLabel;

// The program's message box: the text as it is (no markup), OK or Yes, No
// and Cancel, the application's title, and only a close button on the
// caption. It is never narrower than the room its whole title needs, so a
// window manager does not cut the title short.
class CMessageBox : public QDialog {
    Q_OBJECT
  public:
    enum class Buttons { Ok, YesNoCancel };

    CMessageBox(const QString& title, const QString& text, Buttons buttons, QWidget* parent);

    // Yes for OK; Cancel for the close button and Escape.
    MessageAnswer Answer() const { return m_answer; }
    QDialogButtonBox& ButtonBox() const { return *m_buttons; }
    QLabel& Label() const { return *m_label; }
    // Width of a caption that shows the whole title beside a window icon
    // and a close button, in the bold type captions use.
    static int TitleRoom(const QString& title, const QFont& font);

  private:
    QLabel* m_label = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    MessageAnswer m_answer = MessageAnswer::Cancel;
};
