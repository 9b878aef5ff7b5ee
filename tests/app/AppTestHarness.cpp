// SPDX-License-Identifier: MIT
#include "AppTestHarness.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/CBorealixDoc.h"
#include "app/CMainFrame.h"
#include "support/QtTestEnvironment.h"

namespace {

[[maybe_unused]] testing::Environment* const kQtEnvironment =
    testing::AddGlobalTestEnvironment(new QtTestEnvironment("test_app"));

}  // namespace

AppViews TestViews() {
    auto factory = [](CBorealixDoc&, QWidget* parent) { return new TestView(parent); };
    return {factory, factory};
}

AppTest::AppTest() {
    system_.moduleFileName = "/opt/tarvolent/bin/tarvolent";
    services_.startablePaths = {"/opt/tarvolent/bin/BOREX64.SYS"};
}

AppTest::~AppTest() {
    messagesOverride_.reset();
    app_.reset();
    ProcessEvents();
}

CBorealixApp::Startup AppTest::StartApp(AppViews views) {
    static int argc = 1;
    static char name[] = "tarvolent";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<CBorealixApp>(argc, argv, std::move(views));
    // After the app's own message boxes, so ours are the ones asked.
    messagesOverride_ = std::make_unique<ScopedOverride<MessageBoxService>>(messages_);
    CBorealixApp::Startup startup = app_->InitInstance();
    ProcessEvents();
    return startup;
}

void AppTest::ProcessEvents() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

bool AppTest::ChooseMenuItem(const QString& menuTitle, const QString& itemText) {
    QMenuBar* bar = Frame().menuBar();
    QMenu* menu = nullptr;
    for (QAction* action : bar->actions())
        if (action->text() == menuTitle) menu = action->menu();
    if (!menu) return false;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ProcessEvents();
    for (QAction* item : menu->actions()) {
        if (item->text() != itemText) continue;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        ProcessEvents();
        return true;
    }
    menu->hide();
    return false;
}

CMainFrame& AppTest::Frame() {
    return *app_->MainFrame();
}
