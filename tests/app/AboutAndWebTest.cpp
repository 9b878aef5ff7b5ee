// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "AppTestHarness.h"
#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "support/RecordingShellOpen.h"

TEST(CAboutDlgTest, ShowsTheVersionNoticeIconAndOk) {
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "About");
    EXPECT_EQ(dialog.VersionStatic()->text(), "Tarvolent Version 1.88.00.8");
    EXPECT_EQ(dialog.findChild<QLabel*>("1097"), dialog.VersionStatic());
    EXPECT_FALSE(dialog.NoticeStatic()->text().isEmpty());
    bool hasIcon = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        hasIcon = hasIcon || !label->pixmap().isNull();
    EXPECT_TRUE(hasIcon);
    QTimer::singleShot(0, &dialog, [&] { dialog.OkButton()->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

TEST_F(AppTest, AboutCommandShowsTheAboutBoxModally) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    QAction* about = Frame().CommandAction(cmd::AppAbout);
    ASSERT_TRUE(about->isEnabled());
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            shown = dialog->VersionStatic()->text();
            dialog->OkButton()->click();
        }
    });
    // Never hang on a box the first timer missed.
    QTimer::singleShot(3000, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    about->trigger();
    EXPECT_EQ(shown, "Tarvolent Version 1.88.00.8");
}

TEST_F(AppTest, WebCommandsHandTheirPagesToTheShell) {
    RecordingShellOpen shell;
    ScopedOverride<ShellOpen> shellOverride(shell);
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    for (int id : {cmd::SupportWebsite, cmd::OnlineHelp}) {
        ASSERT_TRUE(Frame().CommandAction(id)->isEnabled()) << id;
        Frame().CommandAction(id)->trigger();
    }
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"https://tarvolent.example/support",
                                                      "https://tarvolent.example/help"}));
    // Without a window system there is nothing to open a page with.
    EXPECT_FALSE(ShellOpen::Native().Open("https://tarvolent.example/help"));
}
