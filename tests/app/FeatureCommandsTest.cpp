// SPDX-License-Identifier: MIT
#include <QMdiArea>

#include "AppTestHarness.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/FeatureTable.h"

namespace {

int OpenWindows(CMainFrame& frame) {
    return static_cast<int>(frame.MdiClient().subWindowList().size());
}

}  // namespace

TEST(FeatureTable, NamesAndCommandsInSlotOrder) {
    const std::pair<const char*, int> expected[kFeatureCount] = {
        {"Single I/O Access", 131}, {"Group I/O Access", 173},  {"PCI Read/Write", 132},
        {"OS Info", 144},           {"CMOS Read/Write", 162},   {"SMBus Access", 176},
        {"Memory Dump", 163},       {"Hex Viewer/Editor", 165}, {"MSR Read/Write", 164},
        {"CPUID Info", 161}};
    for (int slot = 0; slot < kFeatureCount; ++slot) {
        EXPECT_EQ(FeatureAt(slot).name, expected[slot].first);
        EXPECT_EQ(FeatureSlotByCommand(expected[slot].second), slot);
        EXPECT_EQ(FeatureSlotByName(expected[slot].first), slot);
    }
    EXPECT_EQ(FeatureSlotByCommand(cmd::Save), -1);
}

TEST_F(AppTest, OpenFeatureOpensOnlyAnExactNameWithATemplate) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    for (const char* name : {"pci read/write", "PCI Read/Write ", "PCI Read", "My Computer", "",
                             "Single I/O Access", "CPUID Info"})
        App().OpenFeature(name);
    ProcessEvents();
    EXPECT_EQ(OpenWindows(Frame()), 0);

    App().OpenFeature("PCI Read/Write");
    App().OpenFeature("Memory Dump");
    ProcessEvents();
    EXPECT_EQ(OpenWindows(Frame()), 2);
    EXPECT_EQ(App().Template(kPciSlot)->Documents().size(), 1u);
    EXPECT_EQ(App().Template(kMemoryDumpSlot)->Documents().size(), 1u);
}

TEST_F(AppTest, FeatureCommandsOpenTheirSlotAndEmptySlotsDoNothing) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    for (int id : {131, 173, 144, 162, 176, 165, 164, 161}) App().OnFeatureCommand(id);
    ProcessEvents();
    EXPECT_EQ(OpenWindows(Frame()), 0);

    Frame().CommandAction(cmd::FeaturePci)->trigger();
    App().OnFeatureCommand(cmd::FeatureMemoryDump);
    ProcessEvents();
    EXPECT_EQ(App().Template(kPciSlot)->Documents().size(), 1u);
    EXPECT_EQ(App().Template(kMemoryDumpSlot)->Documents().size(), 1u);
}

TEST_F(AppTest, TemplatesWithoutViewsOpenNothing) {
    ASSERT_EQ(StartApp(AppViews{}), CBorealixApp::Startup::Running);
    ASSERT_NE(App().Template(kPciSlot), nullptr);
    ASSERT_NE(App().Template(kMemoryDumpSlot), nullptr);
    for (int slot = 0; slot < kFeatureCount; ++slot) {
        if (slot != kPciSlot && slot != kMemoryDumpSlot) {
            EXPECT_EQ(App().Template(slot), nullptr) << slot;
        }
    }

    Frame().CommandAction(cmd::FeaturePci)->trigger();
    App().OpenFeature("Memory Dump");
    ProcessEvents();
    EXPECT_EQ(OpenWindows(Frame()), 0);
    EXPECT_FALSE(Frame().CommandAction(cmd::Save)->isEnabled());
}
