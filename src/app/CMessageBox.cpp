// SPDX-License-Identifier: MIT
#include "app/CMessageBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

CMessageBox::CMessageBox(const QString& title, const QString& text, Buttons buttons,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle(title);
    m_label = new QLabel(text, this);
    m_label->setTextFormat(Qt::PlainText);
    m_label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const bool question = buttons == Buttons::YesNoCancel;
    m_buttons = new QDialogButtonBox(
        question ? QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Cancel
                 : QDialogButtonBox::Ok,
        Qt::Horizontal, this);
    m_buttons->setCenterButtons(true);
    m_buttons->button(question ? QDialogButtonBox::Yes : QDialogButtonBox::Ok)->setDefault(true);
    connect(m_buttons, &QDialogButtonBox::clicked, this, [this](QAbstractButton* button) {
        const QDialogButtonBox::StandardButton which = m_buttons->standardButton(button);
        m_answer = which == QDialogButtonBox::No       ? MessageAnswer::No
                   : which == QDialogButtonBox::Cancel ? MessageAnswer::Cancel
                                                       : MessageAnswer::Yes;
        done(m_answer == MessageAnswer::Cancel ? Rejected : Accepted);
    });

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_label, 0, 0);
    grid->addWidget(m_buttons, 1, 0);
    // Fixed at its content, and at least as wide as the title needs.
    grid->setSizeConstraint(QLayout::SetFixedSize);
    const QMargins margins = grid->contentsMargins();
    grid->setColumnMinimumWidth(
        0, TitleRoom(title, QApplication::font()) - margins.left() - margins.right());
}

int CMessageBox::TitleRoom(const QString& title, const QFont& font) {
    QFont caption = font;
    caption.setBold(true);
    const QFontMetrics metrics(caption);
    // Captions often use a larger type than dialogs: a quarter more, and a
    // caption-high square each for the icon, the close button and the
    // margins.
    const int captionHeight = metrics.height() + 10;
    return metrics.horizontalAdvance(title) * 5 / 4 + 3 * captionHeight;
}
