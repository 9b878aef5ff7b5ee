// SPDX-License-Identifier: MIT
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "AppTestHarness.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/StatusIndicators.h"

namespace {

// "text" for an item, "-" for a separator, "text>" for a submenu.
std::vector<QString> MenuItems(const QMenu& menu) {
    std::vector<QString> items;
    for (QAction* action : menu.actions())
        items.push_back(action->isSeparator() ? "-"
                        : action->menu()      ? action->text() + ">"
                                              : action->text());
    return items;
}

QMenu* TopMenu(CMainFrame& frame, int index) {
    return frame.menuBar()->actions().at(index)->menu();
}

}  // namespace

TEST_F(AppTest, MenusAsTheResourceLaysThemOut) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    std::vector<QString> titles;
    for (QAction* action : Frame().menuBar()->actions()) titles.push_back(action->text());
    EXPECT_EQ(titles, (std::vector<QString>{"&File", "&View", "&Window", "&Help"}));

    EXPECT_EQ(MenuItems(*TopMenu(Frame(), 0)),
              (std::vector<QString>{"&New\tCtrl+N>", "-", "&Close", "E&xit"}));
    QMenu* fileNew = TopMenu(Frame(), 0)->actions().at(0)->menu();
    EXPECT_EQ(MenuItems(*fileNew), (std::vector<QString>{"PCI Read/Write"}));
    EXPECT_EQ(fileNew->actions().at(0), Frame().CommandAction(cmd::FeaturePci));
    EXPECT_EQ(MenuItems(*TopMenu(Frame(), 1)),
              (std::vector<QString>{"&Toolbar", "&Status Bar", "&My Bar"}));
    EXPECT_EQ(MenuItems(*TopMenu(Frame(), 2)), (std::vector<QString>{"&Cascade", "&Tile"}));
    EXPECT_EQ(MenuItems(*TopMenu(Frame(), 3)),
              (std::vector<QString>{"&Online Help", "-", "&About..."}));

    // The View items show and hide their bars and carry a check while shown.
    QAction* toolbar = Frame().CommandAction(cmd::ViewToolBar);
    QAction* status = Frame().CommandAction(cmd::ViewStatusBar);
    EXPECT_TRUE(toolbar->isChecked());
    EXPECT_TRUE(status->isChecked());
    toolbar->trigger();
    status->trigger();
    EXPECT_FALSE(Frame().ToolBar().isVisible());
    EXPECT_FALSE(Frame().statusBar()->isVisible());
    toolbar->trigger();
    EXPECT_TRUE(Frame().ToolBar().isVisible());
    EXPECT_TRUE(toolbar->isChecked());

    // The application handles these whatever windows are open.
    for (int id : {cmd::OnlineHelp, cmd::AppAbout, cmd::SupportWebsite})
        EXPECT_TRUE(Frame().CommandAction(id)->isEnabled()) << id;
    EXPECT_TRUE(Frame().CommandAction(cmd::FeaturePci)->isEnabled());
    EXPECT_FALSE(Frame().CommandAction(cmd::FileClose)->isEnabled());
}

TEST_F(AppTest, ToolBarButtonsTipsAndPromptsInOrder) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    struct Button {
        int id;
        const char* tip;
        const char* prompt;
    };
    const Button expected[] = {
        {cmd::Save, "Save", "Save current active document"},
        {cmd::SaveAll, "Save All", "Save all open documents"},
        {0, "", ""},
        {cmd::EditCut, "Cut", "Cut the selection and put it on the Clipboard"},
        {cmd::EditCopy, "Copy", "Copy the selection and put it on the Clipboard"},
        {cmd::EditPaste, "Paste", "Insert Clipboard contents"},
        {0, "", ""},
        {cmd::AppAbout, "About", "Display program information, version number and copyright"},
        {cmd::SupportWebsite, "Support Website", "Connet to product support website"},
    };
    const QList<QAction*> actions = Frame().ToolBar().actions();
    ASSERT_EQ(actions.size(), 9);
    for (int i = 0; i < 9; ++i) {
        if (expected[i].id == 0) {
            EXPECT_TRUE(actions[i]->isSeparator()) << i;
            continue;
        }
        EXPECT_EQ(actions[i], Frame().CommandAction(expected[i].id)) << i;
        EXPECT_EQ(actions[i]->toolTip(), expected[i].tip);
        EXPECT_EQ(actions[i]->statusTip(), expected[i].prompt);
        EXPECT_FALSE(actions[i]->icon().isNull());
    }
    EXPECT_EQ(Frame().ToolBar().iconSize(), QSize(16, 15));
    EXPECT_TRUE(Frame().ToolBar().isMovable());
}

TEST_F(AppTest, NoShortcutIsActiveWhateverTheMenuShows) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    // Menu actions included: the submenu shows "\tCtrl+N" in its text.
    for (QAction* action : Frame().findChildren<QAction*>())
        EXPECT_TRUE(action->shortcuts().isEmpty()) << action->text().toStdString();

    Frame().activateWindow();
    QTest::keyClick(&Frame(), Qt::Key_N, Qt::ControlModifier);
    ProcessEvents();
    EXPECT_TRUE(Frame().MdiClient().subWindowList().empty());

    // The same key path does reach a shortcut that is bound, so the check
    // above can fail.
    QAction bound;
    bound.setShortcut(QKeySequence("Ctrl+M"));
    Frame().addAction(&bound);
    int triggered = 0;
    QObject::connect(&bound, &QAction::triggered, [&] { ++triggered; });
    QTest::keyClick(&Frame(), Qt::Key_M, Qt::ControlModifier);
    Frame().removeAction(&bound);
    EXPECT_EQ(triggered, 1);
}

TEST_F(AppTest, EditCommandsFollowWhatTheActiveViewHandles) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    QAction* cut = Frame().CommandAction(cmd::EditCut);
    QAction* copy = Frame().CommandAction(cmd::EditCopy);
    QAction* paste = Frame().CommandAction(cmd::EditPaste);
    EXPECT_FALSE(cut->isEnabled() || copy->isEnabled() || paste->isEnabled());

    App().OpenFeature("PCI Read/Write");
    ProcessEvents();
    CChildFrame* child = Frame().ActiveChildFrame();
    ASSERT_NE(child, nullptr);
    auto* view = qobject_cast<TestView*>(child->GetActiveView());
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(cut->isEnabled());
    EXPECT_TRUE(copy->isEnabled());
    EXPECT_FALSE(paste->isEnabled());
    EXPECT_TRUE(Frame().CommandAction(cmd::FileClose)->isEnabled());

    copy->trigger();
    EXPECT_EQ(view->copies, 1);
    paste->trigger();  // disabled: never reaches the view
    EXPECT_EQ(view->pastes, 0);

    view->pasteEnabled = true;
    Frame().RefreshCommandsAndTitle();
    EXPECT_TRUE(paste->isEnabled());
    paste->trigger();
    EXPECT_EQ(view->pastes, 1);
}

TEST(StatusBar, IdleTextPromptsAndLockIndicators) {
    auto keys = std::make_unique<FakeLockKeyState>();
    FakeLockKeyState& lockKeys = *keys;
    CMainFrame frame("Tarvolent", std::move(keys));
    ASSERT_TRUE(frame.OnCreate());
    QLabel* idle = nullptr;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
        if (label->text() == "For Help, press F1") idle = label;
    ASSERT_NE(idle, nullptr);

    frame.show();
    EXPECT_TRUE(idle->isVisible());
    frame.CommandAction(cmd::SaveAll)->showStatusText(&frame);
    EXPECT_EQ(frame.statusBar()->currentMessage(), "Save all open documents");
    EXPECT_FALSE(idle->isVisible());
    frame.statusBar()->clearMessage();
    EXPECT_TRUE(idle->isVisible());

    StatusIndicators& indicators = frame.Indicators();
    EXPECT_EQ(indicators.Pane(LockKey::Caps).text(), "");
    lockKeys.on[0] = true;
    lockKeys.on[2] = true;
    indicators.Refresh();
    EXPECT_EQ(indicators.Pane(LockKey::Caps).text(), "CAP");
    EXPECT_EQ(indicators.Pane(LockKey::Num).text(), "");
    EXPECT_EQ(indicators.Pane(LockKey::Scroll).text(), "SCRL");
    lockKeys.on[0] = false;
    lockKeys.on[1] = true;
    indicators.Refresh();
    EXPECT_EQ(indicators.Pane(LockKey::Caps).text(), "");
    EXPECT_EQ(indicators.Pane(LockKey::Num).text(), "NUM");
}
