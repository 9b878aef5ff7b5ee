// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/CMessageBox.h"
#include "app/QtMessageBoxService.h"

namespace {

// Runs `act` on the message box once it is up and waiting for an answer.
void WhenShown(std::function<void(CMessageBox&)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* box = qobject_cast<CMessageBox*>(QApplication::activeModalWidget())) act(*box);
    });
}

}  // namespace

TEST(CMessageBox, CarriesOnlyACloseButtonAndRoomForItsWholeTitle) {
    for (const auto buttons : {CMessageBox::Buttons::Ok, CMessageBox::Buttons::YesNoCancel}) {
        CMessageBox box("TARVOLENT", "Error!  Open temporary file failed!", buttons, nullptr);
        const Qt::WindowFlags flags = box.windowFlags();
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
        EXPECT_TRUE(flags & Qt::WindowTitleHint);
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        box.show();
        QApplication::processEvents();
        // Fixed at its contents, and never narrower than the title needs.
        EXPECT_EQ(box.minimumSize(), box.maximumSize());
        EXPECT_GE(box.width(), CMessageBox::TitleRoom("TARVOLENT", QApplication::font()));
        EXPECT_EQ(box.windowTitle(), "TARVOLENT");
        EXPECT_EQ(box.Label().text(), "Error!  Open temporary file failed!");
        EXPECT_EQ(box.Label().textFormat(), Qt::PlainText);
        EXPECT_EQ(box.ButtonBox().buttons().size(), buttons == CMessageBox::Buttons::Ok ? 1 : 3);
    }
    // Room for the title in bold, and more for the caption's icon and button.
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GT(CMessageBox::TitleRoom("TARVOLENT", QApplication::font()),
              QFontMetrics(bold).horizontalAdvance("TARVOLENT") + 40);
}

TEST(QtMessageBoxService, TheQuestionAnswersWithTheButtonClickedAndCancelsOnClose) {
    QtMessageBoxService service;
    struct Case {
        QDialogButtonBox::StandardButton click;  // NoButton: Escape
        MessageAnswer answer;
    };
    const Case cases[] = {{QDialogButtonBox::Yes, MessageAnswer::Yes},
                          {QDialogButtonBox::No, MessageAnswer::No},
                          {QDialogButtonBox::Cancel, MessageAnswer::Cancel},
                          {QDialogButtonBox::NoButton, MessageAnswer::Cancel}};
    for (const Case& c : cases) {
        QString title;
        WhenShown([&title, c](CMessageBox& box) {
            title = box.windowTitle();
            if (c.click == QDialogButtonBox::NoButton)
                QTest::keyClick(&box, Qt::Key_Escape);
            else
                QTest::mouseClick(box.ButtonBox().button(c.click), Qt::LeftButton);
        });
        EXPECT_EQ(service.Ask("TARVOLENT", "Write the changed bytes to memory?"), c.answer)
            << int(c.click);
        EXPECT_EQ(title, "TARVOLENT");
    }
    // Enter takes Yes, the default.
    WhenShown([](CMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
    EXPECT_EQ(service.Ask("TARVOLENT", "Write the changed bytes to memory?"), MessageAnswer::Yes);

    // The plain box has OK alone, and OK ends it.
    int buttons = 0;
    WhenShown([&buttons](CMessageBox& box) {
        buttons = int(box.ButtonBox().buttons().size());
        QTest::mouseClick(box.ButtonBox().button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    service.Show("TARVOLENT", "String not found!");
    EXPECT_EQ(buttons, 1);
}
