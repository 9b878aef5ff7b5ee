// SPDX-License-Identifier: MIT
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "app/CommandTable.h"
#include "app/LockKeyState.h"

class CChildFrame;
class CDockSite;
class CFunctionTreeBar;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QStatusBar;
class QToolBar;
class StatusIndicators;

// The main window: menu bar, movable tool bar, status bar and the MDI area
// that holds every feature window.
class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit CMainFrame(const QString& baseTitle,
                        std::unique_ptr<LockKeyState> lockKeys = LockKeyState::ForPlatform());
    ~CMainFrame() override;

    // Builds the window's parts; false when one could not be made.
    bool OnCreate();

    // The next child frame after the cursor, or null at the end, after which
    // the next call starts over at the first.
    CChildFrame* NextChildFrame();
    QMdiArea& MdiClient() const { return *m_wndMDIClient; }
    CChildFrame* ActiveChildFrame() const;
    QAction* CommandAction(int commandId) const { return m_commands.Find(commandId); }
    const CommandTable& Commands() const { return m_commands; }
    QToolBar& ToolBar() const { return *m_wndToolBar; }
    QMenu& WindowMenu() const { return *m_pWindowMenu; }
    StatusIndicators& Indicators() const { return *m_pIndicators; }
    CFunctionTreeBar& FunctionTreeBar() const { return *m_wndFunctionTreeBar; }
    CDockSite& DockSite() const { return *m_pDockSite; }

    // Enabled state of every command and the title, as the windows stand now.
    void RefreshCommandsAndTitle();
    // Another instance asked for this window: restore it and bring it forward.
    void ActivateFromOtherInstance();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateCommands();
    void CreateMenus();
    // The Window menu's list of the open windows, the active one checked.
    void FillWindowList();
    bool CreateToolBar();
    bool CreateStatusBar();
    bool CreateFunctionTreeBar();
    void ConnectRefreshTriggers();
    void ScheduleRefresh();
    bool HasChildFrame();
    void RouteToActiveView(const char* handler);
    void OnUpdateFrameTitle();

    QMdiArea* m_wndMDIClient = nullptr;
    QPointer<QMdiSubWindow> m_pCursor;
    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QMenu* m_pWindowMenu = nullptr;
    std::vector<QAction*> m_windowListActions;
    CommandTable m_commands;
    std::unique_ptr<LockKeyState> m_lockKeys;
    StatusIndicators* m_pIndicators = nullptr;
    CFunctionTreeBar* m_wndFunctionTreeBar = nullptr;
    CDockSite* m_pDockSite = nullptr;
    QString m_strBaseTitle;
    bool m_bRefreshPending = false;
};
