// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/CBorealixApp.h"
#include "app/CMainFrame.h"
#include "app/ProductViews.h"
#include "pci/CBrxPciView.h"
#include "platform/Seam.h"
#include "platform/SystemServices.h"
#include "sim/MachineFileLoader.h"
#include "support/MessageRecorder.h"

namespace {

// This system's own services, but the program is the built one, so the
// window finds its description files beside it.
class BuiltProgramServices : public SystemServices {
  public:
    bool GetVersionEx(OsVersionInfo* info) override { return native_.GetVersionEx(info); }
    std::string ModuleFileName() override { return std::string(TARVOLENT_BIN_DIR) + "/tarvolent"; }
    bool SetCurrentDirectory(const std::string& directory) override {
        return native_.SetCurrentDirectory(directory);
    }
    std::string CurrentDirectory() override { return native_.CurrentDirectory(); }
    int ProcessorCount() override { return native_.ProcessorCount(); }
    std::string ComputerName() override { return native_.ComputerName(); }
    std::string TempPath() override { return native_.TempPath(); }
    bool MayWriteDirectory(const std::string& directory) override {
        return native_.MayWriteDirectory(directory);
    }
    std::string HomeDirectory() override { return native_.HomeDirectory(); }
    void Sleep(unsigned milliseconds) override { native_.Sleep(milliseconds); }

  private:
    SystemServices& native_ = SystemServices::Native();
};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void ProcessEvents() {
    for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
}

// Run by the system driver test as an unprivileged member of the driver's
// group, handing over the driver's folder, a function and `lspci -xxx` as
// root read it; alone it has nothing to compare with, hence disabled. With
// TARVOLENT_TEST_SCREENSHOT it also saves the main window there.
TEST(UnprivilegedWindow, DISABLED_ShowsTheWholeConfigurationSpaceThroughTheSystemDriver) {
    const std::string systemDirectory = Environment("TARVOLENT_TEST_SYSTEM_DIR");
    ASSERT_FALSE(systemDirectory.empty());
    MachineLoad dump = MachineFileLoader::Load(Environment("TARVOLENT_TEST_LSPCI_DUMP"));
    ASSERT_TRUE(dump.Ok()) << dump.error;
    const PciFunction* expected = nullptr;
    for (const PciFunction& candidate : dump.machine->Functions()) {
        if (candidate.Address().ToString() == Environment("TARVOLENT_TEST_FUNCTION"))
            expected = &candidate;
    }
    ASSERT_TRUE(expected) << Environment("TARVOLENT_TEST_FUNCTION");
    const FunctionAddress function = expected->Address();
    setenv("BOREALIX_SYSTEM_DIR", systemDirectory.c_str(), 1);

    BuiltProgramServices services;
    ScopedOverride<SystemServices> servicesOverride(services);
    static int argc = 1;
    static char name[] = "tarvolent";
    static char* argv[] = {name, nullptr};
    CBorealixApp app(argc, argv, ProductViews());
    MessageRecorder messages;
    ScopedOverride<MessageBoxService> messagesOverride(messages);
    ASSERT_EQ(app.InitInstance(), CBorealixApp::Startup::Running)
        << (messages.messages.empty() ? "" : messages.messages.back().text);

    app.OpenFeature("PCI Read/Write");
    ProcessEvents();
    CBrxPciView* view = app.MainFrame()->findChild<CBrxPciView*>();
    ASSERT_TRUE(view);
    view->ScanButton()->click();
    QComboBox* devices = view->DeviceList();
    char ending[64];
    std::snprintf(ending, sizeof ending, "Bus %X, Device %X, Function %X)", function.bus,
                  function.device, function.function);
    const int index = devices->findText(ending, Qt::MatchEndsWith);
    ASSERT_GE(index, 0) << ending;
    devices->setCurrentIndex(index);
    emit devices->activated(index);
    ProcessEvents();

    QTreeWidget* registers = view->RegisterList();
    ASSERT_GE(registers->topLevelItemCount(), 64);
    for (uint32_t offset = 0; offset < 0x100; offset += 4) {
        char value[16];
        std::snprintf(value, sizeof value, "%08X", expected->ReadDword(offset));
        EXPECT_EQ(registers->topLevelItem(offset / 4)->text(1).toStdString(), value)
            << "offset " << offset;
    }
    EXPECT_TRUE(messages.messages.empty()) << messages.messages.front().text;

    const std::string screenshot = Environment("TARVOLENT_TEST_SCREENSHOT");
    if (!screenshot.empty()) {
        // Room for the function tree and the whole window beside it.
        app.MainFrame()->resize(1040, 660);
        registers->setCurrentItem(registers->topLevelItem(0x40 / 4));
        ProcessEvents();
        EXPECT_TRUE(app.MainFrame()->grab().toImage().save(QString::fromStdString(screenshot)));
    }
    app.ExitInstance();
}

}  // namespace
