// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <string>

#include "app/CBorealixApp.h"
#include "app/LockKeyState.h"
#include "platform/Seam.h"
#include "support/FakeSystemServices.h"
#include "support/MessageRecorder.h"
#include "support/RecordingServiceManager.h"

// A view that handles Copy always and Paste while `pasteEnabled` is set, and
// counts what it was asked to do.
class TestView : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    int copies = 0;
    int pastes = 0;
    bool pasteEnabled = false;
    Q_INVOKABLE void OnEditCopy() { ++copies; }
    Q_INVOKABLE void OnEditPaste() { ++pastes; }
    Q_INVOKABLE bool OnUpdateEditPaste() const { return pasteEnabled; }
};

// Lock keys whose state the test sets.
class FakeLockKeyState : public LockKeyState {
  public:
    bool on[3] = {false, false, false};
    bool IsOn(LockKey key) override { return on[static_cast<int>(key)]; }
};

AppViews TestViews();

// An application started on fixed system services, a recorded service
// manager and recorded message boxes; the driver starts unless the test
// says otherwise before StartApp().
class AppTest : public testing::Test {
  protected:
    AppTest();
    ~AppTest() override;

    CBorealixApp::Startup StartApp(AppViews views = TestViews());
    void DriverCannotStart() { services_.startablePaths.clear(); }
    // Lets queued refreshes and deferred deletes run.
    static void ProcessEvents();
    // Opens a menu of the menu bar with the mouse and clicks its item; false
    // when either is not there.
    bool ChooseMenuItem(const QString& menuTitle, const QString& itemText);

    CBorealixApp& App() { return *app_; }
    CMainFrame& Frame();

    FakeSystemServices system_;
    RecordingServiceManager services_;
    MessageRecorder messages_;

  private:
    ScopedOverride<SystemServices> systemOverride_{system_};
    ScopedOverride<ServiceManager> servicesOverride_{services_};
    std::unique_ptr<CBorealixApp> app_;
    std::unique_ptr<ScopedOverride<MessageBoxService>> messagesOverride_;
};
