// SPDX-License-Identifier: MIT
#include <QMdiArea>
#include <QThread>

#include "AppTestHarness.h"
#include "app/CMainFrame.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"

TEST_F(AppTest, FailedDriverLoadShowsTheMessageTitledTarvolentAndEndsStartUp) {
    DriverCannotStart();
    EXPECT_EQ(StartApp(), CBorealixApp::Startup::Failed);
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0].title, "TARVOLENT");
    EXPECT_EQ(messages_.messages[0].text, "Error! Load driver failed!");

    // The exit steps put the name back and free the lock for the next start.
    App().ExitInstance();
    EXPECT_EQ(MessageTitle(), "Borealix");
    EXPECT_FALSE(App().OwnsInstanceLock());
    InstanceLock next;
    EXPECT_EQ(next.Create("MUTEX_TARVOLENT"), InstanceLock::Result::Created);
}

TEST_F(AppTest, StartUpShowsTheMainFrameWithNoWindowAndInstallsTheDriver) {
    EXPECT_EQ(MessageTitle(), "Borealix");
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    EXPECT_TRUE(messages_.messages.empty());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(Frame().windowTitle(), "Tarvolent");
    EXPECT_FALSE(Frame().windowIcon().isNull());
    EXPECT_TRUE(Frame().MdiClient().subWindowList().empty());
    EXPECT_EQ(MessageTitle(), "TARVOLENT");
    EXPECT_TRUE(App().OwnsInstanceLock());
    EXPECT_EQ(App().RecentFileLimit(), 4);
    EXPECT_EQ(App().HelpFilePath(), "/opt/tarvolent/bin/tarvolent.CHM");
    EXPECT_EQ(QCoreApplication::organizationName(), "Local AppWizard-Generated Applications");
    EXPECT_EQ(QCoreApplication::applicationName(), "Borealix");
    EXPECT_TRUE(services_.services.count("Borealix"));
    EXPECT_TRUE(services_.services["Borealix"].running);

    // Exit leaves the driver running.
    App().ExitInstance();
    EXPECT_TRUE(services_.services["Borealix"].running);
}

TEST_F(AppTest, ASecondInstanceEndsAndBringsTheFirstForward) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    Frame().showMinimized();
    ProcessEvents();

    static int argc = 1;
    static char name[] = "tarvolent";
    static char* argv[] = {name, nullptr};
    {
        CBorealixApp second(argc, argv, TestViews());
        EXPECT_EQ(second.InitInstance(), CBorealixApp::Startup::OtherInstanceRuns);
        EXPECT_EQ(second.MainFrame(), nullptr);
        EXPECT_FALSE(second.OwnsInstanceLock());
    }
    for (int round = 0; round < 20 && Frame().isMinimized(); ++round) {
        ProcessEvents();
        QThread::msleep(10);
    }
    EXPECT_FALSE(Frame().isMinimized());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(App().OwnsInstanceLock());
}
