#include <QMdiArea>
#include <QMdiSubWindow>

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
