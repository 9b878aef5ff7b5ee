// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>
#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DocTemplate.h"
#include "app/FeatureTable.h"
#include "app/QtMessageBoxService.h"
#include "app/QtSaveFileDialog.h"
#include "app/QtShellOpen.h"
#include "pci/MemoryDumpOpener.h"
#include "platform/Seam.h"

class ActivationListener;
class CMainFrame;
class InstanceLock;
class SaveCommands;

inline constexpr const char* kSupportWebsiteAddress = "https://tarvolent.example/support";
inline constexpr const char* kOnlineHelpAddress = "https://tarvolent.example/help";

// The views of the two registered templates; a null factory leaves its
// template unable to open a window.
struct AppViews {
    ViewFactory pci;
    ViewFactory memory;
};

// The application object: single-instance rule, document templates, main
// frame, driver start, and the feature commands.
class CBorealixApp : public QObject, public MemoryDumpOpener {
    Q_OBJECT
  public:
    enum class Startup { Running, OtherInstanceRuns, Failed };

    // Uses the running QApplication, or makes one from the arguments.
    CBorealixApp(int& argc, char** argv, AppViews views = {});
    ~CBorealixApp() override;

    Startup InitInstance();
    // The exit steps; runs once, however often it is called.
    int ExitInstance();
    // Start-up, message loop and exit; the process's exit status.
    int Run();

    // Opens a window of the feature named exactly so; any other text, or a
    // feature without a template, does nothing.
    void OpenFeature(const std::string& name);
    // Commands 131 ... 176 of the feature table.
    void OnFeatureCommand(int commandId);
    void OnSaveAll();
    void OnSaveActive();
    void OnAppAbout();
    void OnSupportWebsite();
    void OnOnlineHelp();
    // One more memory-dump window, dumping the range at once; nothing while
    // the memory-dump template has no view.
    void OpenMemoryDump(uint32_t address, uint32_t size) override;

    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    DocTemplate* Template(int slot) const { return m_pTemplate[slot]; }
    bool OwnsInstanceLock() const { return m_bOwnsMutex == 1; }
    int RecentFileLimit() const { return m_nMaxRecentFiles; }
    // The program's path with the extension ".CHM", for the help commands.
    const std::string& HelpFilePath() const { return m_strHelpFilePath; }

  private:
    bool CheckSingleInstance();
    void LoadStdProfileSettings(int recentFileLimit);
    void AddDocTemplate(int slot, std::unique_ptr<DocTemplate> docTemplate);
    bool CreateMainFrame();
    void OpenTemplateWindow(int slot);
    void OnActivationRequested();
    void ConnectAppCommands();
    // The PCI windows open memory dumps through this application.
    ViewFactory PciViewsOpeningDumps();

    std::unique_ptr<QApplication> m_ownedApplication;
    AppViews m_views;
    std::vector<std::unique_ptr<DocTemplate>> m_templates;
    DocTemplate* m_pTemplate[kFeatureCount] = {};
    std::unique_ptr<InstanceLock> m_hInstanceMutex;
    int m_bOwnsMutex = 0;
    std::optional<std::string> m_pszSavedAppName;
    std::string m_strHelpFilePath;
    int m_nMaxRecentFiles = 0;
    QtMessageBoxService m_messageBoxes;
    std::optional<ScopedOverride<MessageBoxService>> m_messageBoxOverride;
    QtSaveFileDialog m_saveFileDialog;
    std::optional<ScopedOverride<SaveFileDialog>> m_saveFileDialogOverride;
    QtShellOpen m_shellOpen;
    std::optional<ScopedOverride<ShellOpen>> m_shellOpenOverride;
    std::unique_ptr<SaveCommands> m_saveCommands;
    // Declared after the templates: windows close before their templates go.
    std::unique_ptr<CMainFrame> m_pMainWnd;
    std::unique_ptr<ActivationListener> m_activation;
    bool m_bExited = false;
};
