// SPDX-License-Identifier: MIT
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

#include "AppTestHarness.h"
#include "app/CFunctionTreeBar.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/docking/CDockBar.h"
#include "app/docking/CDockSite.h"
#include "app/docking/CMiniDockFrame.h"
#include "app/docking/CMiniFrameCaption.h"

namespace {

class FunctionTreeBarTest : public AppTest {
  protected:
    CFunctionTreeBar& Bar() { return Frame().FunctionTreeBar(); }
    QTreeWidget& Tree() { return *Bar().Tree(); }
    int WindowCount() { return static_cast<int>(Frame().MdiClient().subWindowList().size()); }

    void DoubleClickTree(QPoint pos) {
        Tree().setFocus();
        // Apart in time from the last one, so no press pairs with an earlier one.
        QWidget* top = Tree().window();
        QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {},
                           Tree().viewport()->mapTo(top, pos), 1000);
        ProcessEvents();
    }
};

}  // namespace

TEST_F(FunctionTreeBarTest, DockedLeftWithTheMachineAndItsFunction) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    ASSERT_NE(Bar().DockBar(), nullptr);
    EXPECT_EQ(Bar().DockBar()->Side(), dock::Left);
    EXPECT_EQ(Bar().parentWidget(), Frame().DockSite().DockBar(dock::Left));
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_EQ(Bar().Id(), 0xE820);
    EXPECT_EQ(Bar().width(), 180);
    EXPECT_EQ(Bar().DockBar()->height(), Frame().MdiClient().height());

    EXPECT_EQ(Tree().property("controlId").toInt(), 107);
    EXPECT_EQ(Tree().geometry(), Bar().ClientRect());
    EXPECT_EQ(Bar().ClientRect(), Bar().rect().adjusted(5, 5, -5, -5));
    ASSERT_EQ(Tree().topLevelItemCount(), 1);
    QTreeWidgetItem* root = Tree().topLevelItem(0);
    EXPECT_EQ(root->text(0), "DESK (2-Processor System)");
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0), "PCI Read/Write");
    EXPECT_TRUE(root->isExpanded());
}

TEST_F(FunctionTreeBarTest, RootLabelWithoutAReadableName) {
    system_.computerName = "";
    system_.processors = 16;
    EXPECT_EQ(CFunctionTreeBar::RootLabel(), " (16-Processor System)");
    system_.computerName = std::string(300, 'N');
    EXPECT_EQ(CFunctionTreeBar::RootLabel(), std::string(255, 'N') + " (16-Processor System)");
}

TEST_F(FunctionTreeBarTest, DoubleClickOpensOnlyTheFunctionItsItemNames) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    QTreeWidgetItem* root = Tree().topLevelItem(0);
    const QPoint function = Tree().visualItemRect(root->child(0)).center();
    DoubleClickTree(function);
    EXPECT_EQ(WindowCount(), 1);
    DoubleClickTree(function);
    EXPECT_EQ(WindowCount(), 2);

    // Below the items: nothing; on the root: nothing, but it folds and unfolds.
    DoubleClickTree(QPoint(20, Tree().viewport()->height() - 3));
    EXPECT_EQ(WindowCount(), 2);
    DoubleClickTree(Tree().visualItemRect(root).center());
    EXPECT_EQ(WindowCount(), 2);
    EXPECT_FALSE(root->isExpanded());
    DoubleClickTree(Tree().visualItemRect(root).center());
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(WindowCount(), 2);
}

TEST_F(FunctionTreeBarTest, FloatsWholeAndClearOfWindowsAndTheViewMenuBringsItBack) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    App().OpenFeature("PCI Read/Write");
    ProcessEvents();
    QMdiSubWindow* pci = Frame().MdiClient().subWindowList().first();
    QAction* item = Frame().CommandAction(cmd::ViewFunctionTree);
    EXPECT_EQ(item->text(), "&My Bar");
    EXPECT_TRUE(item->isCheckable());
    EXPECT_TRUE(item->isChecked());

    // A double-click on the docked bar's border floats it.
    QWidget* top = Bar().window();
    QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {},
                       Bar().mapTo(top, QPoint(2, Bar().height() - 20)), 1000);
    ProcessEvents();
    auto* mini = qobject_cast<CMiniDockFrame*>(Bar().parentWidget());
    ASSERT_NE(mini, nullptr);
    ASSERT_TRUE(mini->isVisible());
    EXPECT_EQ(mini->windowTitle(), "My Bar");
    // Every item whole: no scroll bar in the tree, and over no window.
    const QSize content = Bar().ContentSize();
    EXPECT_GE(Bar().ClientRect().width(), content.width());
    EXPECT_GE(Bar().ClientRect().height(), content.height());
    EXPECT_FALSE(Tree().horizontalScrollBar()->isVisible());
    EXPECT_FALSE(Tree().verticalScrollBar()->isVisible());
    const QRect pciOnScreen(pci->mapToGlobal(QPoint(0, 0)), pci->size());
    EXPECT_FALSE(mini->frameGeometry().intersects(pciOnScreen));

    // Its close box hides it; the View item, clicked, brings it back.
    const DockRect box =
        mini->Geometry().CloseBoxRect({mini->Caption().width(), mini->Caption().height()});
    QTest::mouseClick(mini->windowHandle(), Qt::LeftButton, {},
                      mini->Caption().mapTo(mini, QPoint(box.left + 2, box.top + 2)), 1000);
    ProcessEvents();
    EXPECT_FALSE(mini->isVisible());
    EXPECT_FALSE(item->isChecked());
    ASSERT_TRUE(ChooseMenuItem("&View", "&My Bar"));
    EXPECT_TRUE(Bar().Model().visible);
    EXPECT_TRUE(mini->isVisible());
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_TRUE(item->isChecked());
}
