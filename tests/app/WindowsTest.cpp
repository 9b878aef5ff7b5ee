// SPDX-License-Identifier: MIT
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>
#include <algorithm>

#include "AppTestHarness.h"
#include "app/CBorealixDoc.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"

namespace {

std::vector<QString> DocumentTitles(const DocTemplate& docTemplate) {
    std::vector<QString> titles;
    for (const CBorealixDoc* document : docTemplate.Documents())
        titles.push_back(document->GetTitle());
    return titles;
}

CChildFrame* FrameOf(CBorealixDoc* document) {
    return qobject_cast<CChildFrame*>(document->parent());
}

}  // namespace

TEST_F(AppTest, SaveCommandsAreEnabledExactlyWhileAChildFrameExists) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    QAction* save = Frame().CommandAction(cmd::Save);
    QAction* saveAll = Frame().CommandAction(cmd::SaveAll);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(saveAll->isEnabled());

    App().OpenFeature("PCI Read/Write");
    App().OpenFeature("PCI Read/Write");
    ProcessEvents();
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(saveAll->isEnabled());

    Frame().MdiClient().closeAllSubWindows();
    ProcessEvents();
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(saveAll->isEnabled());
    EXPECT_TRUE(App().Template(kPciSlot)->Documents().empty());
}

TEST_F(AppTest, WindowsAreCaptionedByTemplateAndDocumentsNumberedPerTemplate) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    App().OnFeatureCommand(cmd::FeaturePci);
    App().OnFeatureCommand(cmd::FeaturePci);
    App().OnFeatureCommand(cmd::FeatureMemoryDump);
    ProcessEvents();

    const DocTemplate& pci = *App().Template(kPciSlot);
    const DocTemplate& memory = *App().Template(kMemoryDumpSlot);
    ASSERT_EQ(DocumentTitles(pci), (std::vector<QString>{"Tarvolent1", "Tarvolent2"}));
    ASSERT_EQ(DocumentTitles(memory), (std::vector<QString>{"Memory1"}));
    EXPECT_EQ(FrameOf(pci.Documents()[0])->windowTitle(), "Tarvolent");
    EXPECT_EQ(FrameOf(pci.Documents()[1])->windowTitle(), "Tarvolent");
    EXPECT_EQ(FrameOf(memory.Documents()[0])->windowTitle(), "Memory Dump");

    // The caption stays the template's even when the view renames itself.
    CChildFrame* first = FrameOf(pci.Documents()[0]);
    first->widget()->setWindowTitle("renamed view");
    ProcessEvents();
    EXPECT_EQ(first->windowTitle(), "Tarvolent");

    // The main title carries the active document's title.
    Frame().MdiClient().setActiveSubWindow(first);
    ProcessEvents();
    EXPECT_EQ(Frame().windowTitle(), "Tarvolent - Tarvolent1");

    // Numbers are never reused after a window closes.
    first->close();
    ProcessEvents();
    App().OpenFeature("PCI Read/Write");
    EXPECT_EQ(DocumentTitles(pci), (std::vector<QString>{"Tarvolent2", "Tarvolent3"}));

    Frame().MdiClient().closeAllSubWindows();
    ProcessEvents();
    EXPECT_EQ(Frame().windowTitle(), "Tarvolent");
}

TEST_F(AppTest, MainTitleFollowsTheActiveDocumentWhileChildrenAreMaximisedAndRestored) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    App().OpenFeature("PCI Read/Write");
    App().OpenFeature("Memory Dump");
    ProcessEvents();
    const QList<QMdiSubWindow*> windows = Frame().MdiClient().subWindowList();
    Frame().MdiClient().setActiveSubWindow(windows[1]);
    ProcessEvents();
    EXPECT_EQ(Frame().windowTitle(), "Tarvolent - Memory1");

    windows[1]->showMaximized();
    ProcessEvents();
    EXPECT_EQ(Frame().windowTitle(), "Tarvolent - Memory1 - [Memory Dump]");
    Frame().MdiClient().setActiveSubWindow(windows[0]);
    ProcessEvents();
    EXPECT_EQ(Frame().windowTitle(), "Tarvolent - Tarvolent1 - [Tarvolent]");
    windows[0]->showNormal();
    ProcessEvents();
    EXPECT_EQ(Frame().windowTitle(), "Tarvolent - Tarvolent1");
}

TEST_F(AppTest, NextChildFrameSkipsOtherWindowsAndStartsOverAfterTheEnd) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    EXPECT_EQ(Frame().NextChildFrame(), nullptr);

    App().OpenFeature("PCI Read/Write");
    auto* foreign = Frame().MdiClient().addSubWindow(new QWidget);
    foreign->show();
    App().OpenFeature("Memory Dump");
    ProcessEvents();
    CChildFrame* pciFrame = FrameOf(App().Template(kPciSlot)->Documents()[0]);
    CChildFrame* memoryFrame = FrameOf(App().Template(kMemoryDumpSlot)->Documents()[0]);

    EXPECT_EQ(Frame().NextChildFrame(), pciFrame);
    EXPECT_EQ(Frame().NextChildFrame(), memoryFrame);
    EXPECT_EQ(Frame().NextChildFrame(), nullptr);
    EXPECT_EQ(Frame().NextChildFrame(), pciFrame);

    // A cursor whose window closed starts over.
    pciFrame->close();
    ProcessEvents();
    EXPECT_EQ(Frame().NextChildFrame(), memoryFrame);
    EXPECT_EQ(Frame().NextChildFrame(), nullptr);
}

TEST_F(AppTest, ClosingADocumentWindowNeverAsksToSave) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    App().OpenFeature("PCI Read/Write");
    App().OpenFeature("Memory Dump");
    ProcessEvents();
    EXPECT_FALSE(App().Template(kPciSlot)->Documents()[0]->IsModified());

    Frame().MdiClient().setActiveSubWindow(Frame().MdiClient().subWindowList().first());
    Frame().CommandAction(cmd::FileClose)->trigger();
    Frame().MdiClient().closeAllSubWindows();
    ProcessEvents();
    EXPECT_TRUE(Frame().MdiClient().subWindowList().empty());
    EXPECT_TRUE(messages_.messages.empty());
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible() && window != &Frame())
            << window->metaObject()->className();
}

TEST_F(AppTest, NewWindowsOpenCascadedInsideTheAreaAndTheWindowMenuArrangesThem) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    QMdiArea& area = Frame().MdiClient();
    std::vector<QMdiSubWindow*> windows;
    for (int i = 0; i < 3; ++i) {
        App().OpenFeature("PCI Read/Write");
        ProcessEvents();
        windows.push_back(area.subWindowList(QMdiArea::CreationOrder).back());
    }
    const QRect room = area.viewport()->rect();
    const int step = windows[1]->x();
    EXPECT_GT(step, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(windows[i]->pos(), QPoint(i * step, i * step)) << i;
        EXPECT_TRUE(room.contains(windows[i]->geometry())) << i;
    }

    // The list names every window; choosing one activates it.
    ASSERT_TRUE(ChooseMenuItem("&Window", "&1 Tarvolent - Tarvolent1"));
    EXPECT_EQ(area.activeSubWindow(), windows[0]);
    QMenu& menu = Frame().WindowMenu();
    QTest::mouseClick(Frame().menuBar(), Qt::LeftButton, {},
                      Frame().menuBar()->actionGeometry(menu.menuAction()).center());
    ProcessEvents();
    std::vector<std::pair<QString, bool>> listed;
    for (QAction* action : menu.actions())
        if (action->isCheckable()) listed.emplace_back(action->text(), action->isChecked());
    menu.hide();
    EXPECT_EQ(listed,
              (std::vector<std::pair<QString, bool>>{{"&1 Tarvolent - Tarvolent1", true},
                                                     {"&2 Tarvolent - Tarvolent2", false},
                                                     {"&3 Tarvolent - Tarvolent3", false}}));

    // Tile: side by side, none over another, all inside.
    ASSERT_TRUE(ChooseMenuItem("&Window", "&Tile"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(room.contains(windows[i]->geometry())) << i;
        for (int j = i + 1; j < 3; ++j)
            EXPECT_FALSE(windows[i]->geometry().intersects(windows[j]->geometry())) << i << j;
    }
    // Cascade: one below and right of another, by the same step.
    ASSERT_TRUE(ChooseMenuItem("&Window", "&Cascade"));
    std::vector<QPoint> corners;
    for (QMdiSubWindow* window : windows) corners.push_back(window->pos());
    std::sort(corners.begin(), corners.end(),
              [](QPoint a, QPoint b) { return a.x() + a.y() < b.x() + b.y(); });
    EXPECT_GT(corners[1].x() - corners[0].x(), 0);
    EXPECT_EQ(corners[1] - corners[0], corners[2] - corners[1]);

    // A window moved partly out of the area stays within reach of a scroll bar.
    windows[0]->move(room.width() - 40, 0);
    ProcessEvents();
    EXPECT_TRUE(area.horizontalScrollBar()->isVisible());
    area.closeAllSubWindows();
    ProcessEvents();
    EXPECT_FALSE(Frame().CommandAction(cmd::WindowCascade)->isEnabled());
    EXPECT_FALSE(Frame().CommandAction(cmd::WindowTile)->isEnabled());
}
