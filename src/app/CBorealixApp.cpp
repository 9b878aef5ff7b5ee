// SPDX-License-Identifier: MIT
#include "app/CBorealixApp.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/ActivationListener.h"
#include "app/CAboutDlg.h"
#include "app/CBorealixDoc.h"
#include "app/CChildFrame.h"
#include "app/CFunctionTreeBar.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/CommandLineInfo.h"
#include "app/SaveCommands.h"
#include "hw/DriverInstaller.h"
#include "hw/RequestRoute.h"
#include "memory/dump/CBrxMemoryView.h"
#include "pci/CBrxPciView.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/ProductIdentity.h"
#include "platform/SystemServices.h"

namespace {

constexpr const char* kAppTitle = "Borealix";
constexpr const char* kMessageTitle = "TARVOLENT";
constexpr const char* kMutexName = "MUTEX_TARVOLENT";
constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
constexpr const char* kActivationLogVariable = "TARVOLENT_TEST_ACTIVATION_LOG";

// Offscreen and minimal platforms have no screen anyone reads a box on.
bool HasVisibleScreen() {
    const QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal";
}

std::string HelpFileFor(const std::string& programPath) {
    return std::filesystem::path(programPath).replace_extension(".CHM").string();
}

std::vector<std::string> ArgumentsOf(const QStringList& list) {
    std::vector<std::string> arguments;
    for (const QString& argument : list) arguments.push_back(argument.toStdString());
    return arguments;
}

void NoteActivationForTests() {
    const char* path = std::getenv(kActivationLogVariable);
    if (!path || !*path) return;
    if (FILE* log = std::fopen(path, "a")) {
        std::fputs("activated\n", log);
        std::fclose(log);
    }
}

}  // namespace

CBorealixApp::CBorealixApp(int& argc, char** argv, AppViews views) : m_views(std::move(views)) {
    if (!QApplication::instance()) m_ownedApplication = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(kAppTitle);
    // Desktops match the window to its menu entry by this id.
    QGuiApplication::setDesktopFileName(kDesktopFileId);
    SetMessageTitle(kAppTitle);
    if (HasVisibleScreen()) {
        m_messageBoxOverride.emplace(m_messageBoxes);
        m_saveFileDialogOverride.emplace(m_saveFileDialog);
        m_shellOpenOverride.emplace(m_shellOpen);
    }
    m_strHelpFilePath = HelpFileFor(SystemServices::Current().ModuleFileName());
}

CBorealixApp::~CBorealixApp() {
    ExitInstance();
}

CBorealixApp::Startup CBorealixApp::InitInstance() {
    // Steps 1, 3 and 5 (common controls, framework start, control containment)
    // have nothing to do with Qt: QApplication made the widgets ready.
    if (!CheckSingleInstance()) return Startup::OtherInstanceRuns;
    // Step 4: Qt's clipboard and drag and drop need no initialisation.
    QCoreApplication::setOrganizationName(kRegistryKey);
    LoadStdProfileSettings(4);

    AddDocTemplate(kPciSlot, std::make_unique<DocTemplate>(IDR_PCI_TEMPLATE, "Tarvolent\nTarvolent",
                                                           PciViewsOpeningDumps()));
    AddDocTemplate(
        kMemoryDumpSlot,
        std::make_unique<DocTemplate>(IDR_MEMORY_TEMPLATE, "Memory Dump\nMemory", m_views.memory));
    if (!CreateMainFrame()) return Startup::Failed;

    // File names are accepted and ignored: the program starts with no window.
    (void)ParseCommandLine(ArgumentsOf(QCoreApplication::arguments()));
    m_pMainWnd->show();
    m_pMainWnd->update();

    m_pszSavedAppName = MessageTitle();
    SetMessageTitle(kMessageTitle);

    ChooseRequestRoute();
    if (!LoadDriver()) {
        ShowMessage(LoadDriverFailedMessage());
        return Startup::Failed;
    }
    return Startup::Running;
}

bool CBorealixApp::CheckSingleInstance() {
    m_hInstanceMutex = std::make_unique<InstanceLock>();
    switch (m_hInstanceMutex->Create(kMutexName)) {
        case InstanceLock::Result::Failed:
            m_hInstanceMutex.reset();
            return true;
        case InstanceLock::Result::AlreadyExists:
            InstanceLock::RequestActivation(kMutexName);
            return false;
        case InstanceLock::Result::Created:
            m_bOwnsMutex = 1;
            return true;
    }
    return true;
}

// The settings stay under the organisation and application names; the
// program stores nothing there, so only the recent-file limit is kept.
void CBorealixApp::LoadStdProfileSettings(int recentFileLimit) {
    m_nMaxRecentFiles = recentFileLimit;
}

void CBorealixApp::AddDocTemplate(int slot, std::unique_ptr<DocTemplate> docTemplate) {
    m_pTemplate[slot] = docTemplate.get();
    m_templates.push_back(std::move(docTemplate));
}

bool CBorealixApp::CreateMainFrame() {
    auto frame = std::make_unique<CMainFrame>(m_pTemplate[kPciSlot]->WindowCaption());
    if (!frame->OnCreate()) return false;
    m_pMainWnd = std::move(frame);
    connect(m_pMainWnd->CommandAction(cmd::FeaturePci), &QAction::triggered, this,
            [this] { OnFeatureCommand(cmd::FeaturePci); });
    connect(&m_pMainWnd->FunctionTreeBar(), &CFunctionTreeBar::FeatureRequested, this,
            &CBorealixApp::OpenFeature);
    ConnectAppCommands();
    if (m_hInstanceMutex) {
        m_activation = std::make_unique<ActivationListener>(*m_hInstanceMutex);
        connect(m_activation.get(), &ActivationListener::ActivationRequested, this,
                &CBorealixApp::OnActivationRequested);
    }
    return true;
}

void CBorealixApp::ConnectAppCommands() {
    m_saveCommands = std::make_unique<SaveCommands>(m_pTemplate[kPciSlot],
                                                    m_pTemplate[kMemoryDumpSlot], *m_pMainWnd);
    const std::pair<int, void (CBorealixApp::*)()> handlers[] = {
        {cmd::SaveAll, &CBorealixApp::OnSaveAll},
        {cmd::Save, &CBorealixApp::OnSaveActive},
        {cmd::AppAbout, &CBorealixApp::OnAppAbout},
        {cmd::SupportWebsite, &CBorealixApp::OnSupportWebsite},
        {cmd::OnlineHelp, &CBorealixApp::OnOnlineHelp},
    };
    for (const auto& [id, handler] : handlers)
        connect(m_pMainWnd->CommandAction(id), &QAction::triggered, this, handler);
}

void CBorealixApp::OnSaveAll() {
    m_saveCommands->OnSaveAll();
}

void CBorealixApp::OnSaveActive() {
    m_saveCommands->OnSaveActive();
}

void CBorealixApp::OnAppAbout() {
    CAboutDlg dialog(m_pMainWnd.get());
    dialog.exec();
}

// A browser that cannot be started is not reported, as a failed request is not.
void CBorealixApp::OnSupportWebsite() {
    ShellOpen::Current().Open(kSupportWebsiteAddress);
}

void CBorealixApp::OnOnlineHelp() {
    ShellOpen::Current().Open(kOnlineHelpAddress);
}

void CBorealixApp::OnActivationRequested() {
    if (m_pMainWnd) m_pMainWnd->ActivateFromOtherInstance();
    NoteActivationForTests();
}

void CBorealixApp::OpenFeature(const std::string& name) {
    const int slot = FeatureSlotByName(name);
    if (slot >= 0) OpenTemplateWindow(slot);
}

void CBorealixApp::OnFeatureCommand(int commandId) {
    const int slot = FeatureSlotByCommand(commandId);
    if (slot >= 0) OpenTemplateWindow(slot);
}

ViewFactory CBorealixApp::PciViewsOpeningDumps() {
    if (!m_views.pci) return {};
    return [this, pci = m_views.pci](CBorealixDoc& document, QWidget* parent) {
        QWidget* view = pci(document, parent);
        if (auto* pciView = qobject_cast<CBrxPciView*>(view)) pciView->SetMemoryDumpOpener(this);
        return view;
    };
}

void CBorealixApp::OpenMemoryDump(uint32_t address, uint32_t size) {
    DocTemplate* memory = m_pTemplate[kMemoryDumpSlot];
    if (!memory || !m_pMainWnd) return;
    CBorealixDoc* document = memory->OpenDocumentFile(m_pMainWnd->MdiClient());
    if (!document) return;
    auto* frame = qobject_cast<CChildFrame*>(document->parent());
    if (auto* view = qobject_cast<CBrxMemoryView*>(frame ? frame->GetActiveView() : nullptr))
        view->DumpAt(address, size);
}

void CBorealixApp::OpenTemplateWindow(int slot) {
    if (m_pTemplate[slot] && m_pMainWnd)
        m_pTemplate[slot]->OpenDocumentFile(m_pMainWnd->MdiClient());
}

int CBorealixApp::Run() {
    const Startup startup = InitInstance();
    int status = 0;
    if (startup == Startup::Running) status = QApplication::exec();
    if (startup == Startup::Failed) status = 1;
    ExitInstance();
    return status;
}

int CBorealixApp::ExitInstance() {
    if (m_bExited) return 0;
    m_bExited = true;
    if (m_pszSavedAppName) SetMessageTitle(*m_pszSavedAppName);
    if (m_bOwnsMutex == 1) {
        m_bOwnsMutex = 0;
        m_hInstanceMutex->Release();
    }
    // The driver service stays installed and running for the next start.
    return 0;
}
