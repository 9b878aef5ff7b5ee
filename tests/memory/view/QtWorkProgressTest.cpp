// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <chrono>

#include "memory/dump/QtWorkProgress.h"

using namespace std::chrono_literals;

TEST(QtWorkProgress, ShowsAModalDialogOnlyAfterTheDelayAndStopsOnCancel) {
    QWidget owner;
    owner.show();
    QtWorkProgress quick(&owner, "Dumping memory...", 10s);
    EXPECT_TRUE(quick.Continue(0, 100));
    EXPECT_TRUE(quick.Continue(50, 100));
    EXPECT_EQ(quick.Dialog(), nullptr);  // short work shows nothing

    QtWorkProgress slow(&owner, "Searching...", 0ms);
    EXPECT_TRUE(slow.Continue(25, 100));
    QProgressDialog* dialog = slow.Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dialog->labelText(), "Searching...");
    EXPECT_EQ(dialog->value(), 250);
    EXPECT_TRUE(slow.Continue(50, 100));
    EXPECT_EQ(dialog->value(), 500);

    QPushButton* cancel = dialog->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(slow.Continue(60, 100));
    EXPECT_TRUE(slow.Cancelled());
    EXPECT_FALSE(slow.Continue(70, 100));  // stopped stays stopped
}
