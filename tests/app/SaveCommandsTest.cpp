// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "AppTestHarness.h"
#include "app/CBorealixDoc.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/ProductViews.h"
#include "app/QtSaveFileDialog.h"
#include "pci/CBrxPciView.h"
#include "pci/CSavePciDlg.h"
#include "pci/PciReportWriter.h"
#include "support/FileText.h"
#include "support/InProcessDriver.h"
#include "support/MachineJson.h"
#include "support/RecordingPciSaveSelection.h"
#include "support/RecordingSaveFileDialog.h"
#include "support/ScratchDirectory.h"

namespace {

std::string Machine() {
    std::string json = MachineJson({{"00:00.0", {{0x00, 0x12348086}, {0x08, 0x06000000}}},
                                    {"00:1f.3", {{0x00, 0xA3488086}, {0x08, 0x04030000}}}});
    return json;
}

// The product's PCI window beside a memory template whose window is a
// stand-in, on a small simulated machine.
class SaveCommandsTest : public AppTest {
  protected:
    void SetUp() override {
        driver_ = InProcessDriver::FromMachineJson(Machine());
        ASSERT_TRUE(driver_);
        device_ = std::make_unique<ScopedOverride<DeviceIo>>(*driver_);
        AppViews views = ProductViews();
        views.memory = TestViews().memory;
        ASSERT_EQ(StartApp(std::move(views)), CBorealixApp::Startup::Running);
        dialog_.answer = (dir_.Path() / "hwinfo.log").string();
    }
    void TearDown() override { device_.reset(); }

    CBrxPciView* OpenPciWindow(bool scan, int selection = 0) {
        App().OpenFeature("PCI Read/Write");
        ProcessEvents();
        auto* view = qobject_cast<CBrxPciView*>(Frame().ActiveChildFrame()->GetActiveView());
        if (view && scan) {
            view->ScanButton()->click();
            view->DeviceList()->setCurrentIndex(selection);
            emit view->DeviceList()->activated(selection);
        }
        return view;
    }
    void Trigger(int command) {
        ProcessEvents();
        QAction* action = Frame().CommandAction(command);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }
    std::string Saved() const { return ReadWholeFile(*dialog_.answer); }
    static std::string CurrentReport(CBrxPciView* view) {
        return WrittenText(
            [view](std::FILE* f) { WriteCurrentDeviceReport(view->Model().Form(), f); });
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages_.messages) texts.push_back(m.text);
        return texts;
    }

    ScratchDirectory dir_;
    RecordingSaveFileDialog dialog_;
    ScopedOverride<SaveFileDialog> dialogOverride_{dialog_};
    RecordingPciSaveSelection selection_;
    ScopedOverride<PciSaveSelection> selectionOverride_{selection_};
    std::unique_ptr<InProcessDriver> driver_;
    std::unique_ptr<ScopedOverride<DeviceIo>> device_;
};

}  // namespace

TEST_F(SaveCommandsTest, SaveAllWritesEveryPciWindowInOpeningOrderIntoOneFile) {
    CBrxPciView* first = OpenPciWindow(true, 1);
    CBrxPciView* second = OpenPciWindow(true, 0);
    ASSERT_TRUE(first && second);
    selection_.answers = {kSaveCurrentDevice, kSaveAllDevices};
    Trigger(cmd::SaveAll);

    EXPECT_EQ(selection_.asked, 2);
    const std::string saved = Saved();
    const std::string firstReport = CurrentReport(first);
    EXPECT_NE(firstReport.find("DeviceID=A348"), std::string::npos);
    ASSERT_EQ(saved.substr(0, firstReport.size()), firstReport);
    EXPECT_EQ(saved.substr(firstReport.size()).rfind("========================= All PCI", 0), 0u);
    EXPECT_EQ(saved.find('\r'), std::string::npos);
    EXPECT_TRUE(Texts().empty());

    ASSERT_EQ(dialog_.requests.size(), 1u);
    const SaveFileRequest& request = dialog_.requests[0];
    EXPECT_EQ(request.defaultName, "hwinfo.log");
    EXPECT_EQ(request.defaultSuffix, "log");
    EXPECT_EQ(request.filter, "Save Files (*.log);;All Files (*)");
    EXPECT_EQ(request.initialDirectory, "/opt/tarvolent/bin/");
    EXPECT_TRUE(request.confirmOverwrite);

    // Installed, the program directory is not the user's to write in.
    system_.directoriesWritable = false;
    dialog_.answer.reset();
    Trigger(cmd::SaveAll);
    ASSERT_EQ(dialog_.requests.size(), 2u);
    EXPECT_EQ(dialog_.requests[1].initialDirectory, "/home/tester/");
}

TEST_F(SaveCommandsTest, SaveWritesTheActiveWindowsReportOnly) {
    CBrxPciView* first = OpenPciWindow(true, 1);
    OpenPciWindow(true, 0);
    Frame().MdiClient().setActiveSubWindow(Frame().MdiClient().subWindowList().first());
    Trigger(cmd::Save);
    EXPECT_EQ(selection_.asked, 1);
    EXPECT_EQ(Saved(), CurrentReport(first));

    // An existing file is replaced, not added to.
    Trigger(cmd::Save);
    EXPECT_EQ(Saved(), CurrentReport(first));
}

TEST_F(SaveCommandsTest, FailuresWriteNothingAndSayWhy) {
    OpenPciWindow(false);
    // Cancelled: no file, no question.
    dialog_.answer.reset();
    Trigger(cmd::Save);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "hwinfo.log"));
    EXPECT_EQ(selection_.asked, 0);

    dialog_.answer = (dir_.Path() / "missing" / "x.log").string();
    Trigger(cmd::SaveAll);
    dialog_.answer = (dir_.Path() / "hwinfo.log").string();
    // A window that has not scanned writes nothing.
    Trigger(cmd::Save);
    EXPECT_EQ(Saved(), "");
    EXPECT_EQ(selection_.asked, 0);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Error! Unable to open file!",
                                        "Error! There is no PCI device information available!"}));

    messages_.messages.clear();
    CBrxPciView* scanned = OpenPciWindow(true);
    selection_.answers = {kSelectionUnavailable};
    Trigger(cmd::Save);
    EXPECT_EQ(Saved(), "");
    EXPECT_EQ(Texts(), std::vector<std::string>{"PCI Save Dialog box could not be created!"});

    // A link planted at the chosen name: refused, named, and nothing written
    // through it.
    messages_.messages.clear();
    std::ofstream(dir_.Path() / "target.log") << "kept";
    std::filesystem::create_symlink(dir_.Path() / "target.log", dir_.Path() / "link.log");
    dialog_.answer = (dir_.Path() / "link.log").string();
    Trigger(cmd::Save);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Error! Unable to open file!\nRefused output file " +
                                       *dialog_.answer + ": it is a symbolic link"});
    EXPECT_EQ(ReadWholeFile((dir_.Path() / "target.log").string()), "kept");

    // A full disk loses the report: said, not passed over.
    messages_.messages.clear();
    selection_.answers = {kSaveAllDevices};
    dialog_.answer = "/dev/full";
    Trigger(cmd::Save);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Error! Unable to write file!"});
    EXPECT_TRUE(scanned->Model().Scanned());
}

TEST_F(SaveCommandsTest, MemoryWindowsAloneLeaveAnEmptyFile) {
    App().OpenFeature("Memory Dump");
    Trigger(cmd::SaveAll);
    EXPECT_TRUE(std::filesystem::exists(*dialog_.answer));
    EXPECT_EQ(Saved(), "");
    std::filesystem::remove(*dialog_.answer);
    Trigger(cmd::Save);
    EXPECT_TRUE(std::filesystem::exists(*dialog_.answer));
    // A memory window's data is nobody else's to read.
    EXPECT_EQ(std::filesystem::status(*dialog_.answer).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(selection_.asked, 0);
    EXPECT_TRUE(Texts().empty());
}

TEST(QtSaveFileDialogTest, DialogIsSetUpAsAsked) {
    SaveFileRequest request{"log", "hwinfo.log", "Save Files (*.log);;All Files (*)",
                            std::filesystem::temp_directory_path().string(), true};
    QFileDialog dialog;
    QtSaveFileDialog::Configure(dialog, request);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.defaultSuffix(), "log");
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"Save Files (*.log)", "All Files (*)"}));
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(std::filesystem::path(dialog.directory().absolutePath().toStdString()),
              std::filesystem::canonical(request.initialDirectory));
    request.confirmOverwrite = false;
    QtSaveFileDialog::Configure(dialog, request);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
}

namespace {

int RunDialog(CSavePciDlg& dialog, const std::function<void(CSavePciDlg&)>& act) {
    QTimer::singleShot(0, &dialog, [&] { act(dialog); });
    return dialog.exec();
}

}  // namespace

TEST(CSavePciDlgTest, EveryWayOutWritesAReport) {
    CSavePciDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "PCI Device Save Selection");
    EXPECT_EQ(dialog.AllDevicesButton()->text(), "Save All PCI and PCI Express Devices");
    EXPECT_EQ(dialog.CurrentDeviceButton()->text(), "Save Current PCI or PCI Express Device");
    EXPECT_TRUE(dialog.AllDevicesButton()->isDefault());
    const DialogUnits& units = dialog.Units();
    EXPECT_EQ(dialog.size(), QSize(units.X(186), units.Y(79)));
    EXPECT_EQ(dialog.CurrentDeviceButton()->geometry(), units.Rect(26, 40, 137, 14));
    for (QPushButton* button : {dialog.AllDevicesButton(), dialog.CurrentDeviceButton()})
        EXPECT_GE(button->width(), button->sizeHint().width());

    EXPECT_EQ(RunDialog(dialog, [](CSavePciDlg& d) { d.AllDevicesButton()->click(); }), 1);
    EXPECT_EQ(RunDialog(dialog, [](CSavePciDlg& d) { d.CurrentDeviceButton()->click(); }), 2);
    EXPECT_EQ(RunDialog(dialog, [](CSavePciDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }), 2);
    EXPECT_EQ(RunDialog(dialog, [](CSavePciDlg& d) { d.close(); }), 2);
    EXPECT_EQ(RunDialog(dialog, [](CSavePciDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }), 1);
}

TEST(CSavePciDlgTest, NativeSelectionRunsTheDialog) {
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CSavePciDlg*>(QApplication::activeModalWidget());
        if (dialog) dialog->CurrentDeviceButton()->click();
    });
    // Never hang on a dialog the first timer missed.
    QTimer::singleShot(3000, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->done(99);
    });
    EXPECT_EQ(PciSaveSelection::Native().Ask(), kSaveCurrentDevice);
}
