// SPDX-License-Identifier: MIT
#include "app/CMainFrame.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include "app/Artwork.h"
#include "app/CBorealixDoc.h"
#include "app/CChildFrame.h"
#include "app/CFunctionTreeBar.h"
#include "app/CommandIds.h"
#include "app/StatusIndicators.h"
#include "app/ViewCommandRoute.h"
#include "app/docking/BarStyle.h"
#include "app/docking/CDockSite.h"

namespace {

constexpr const char* kIdleMessage = "For Help, press F1";

struct EditCommand {
    int id;
    const char* handler;
};
constexpr EditCommand kEditCommands[] = {
    {cmd::EditCut, "EditCut"}, {cmd::EditCopy, "EditCopy"}, {cmd::EditPaste, "EditPaste"}};

}  // namespace

CMainFrame::CMainFrame(const QString& baseTitle, std::unique_ptr<LockKeyState> lockKeys)
    : m_commands(this), m_lockKeys(std::move(lockKeys)), m_strBaseTitle(baseTitle) {
    setWindowTitle(m_strBaseTitle);
    setWindowIcon(ApplicationIcon());
    // A first placement like the platform's default: most of the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) resize(screen->availableSize() * 3 / 4);
}

CMainFrame::~CMainFrame() {
    // The area and its windows go after this part of the object: their last
    // signals must not reach it.
    if (m_wndMDIClient) disconnect(m_wndMDIClient, nullptr, this, nullptr);
    disconnect(qApp, nullptr, this, nullptr);
    qApp->removeEventFilter(this);
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        disconnect(clipboard, nullptr, this, nullptr);
}

bool CMainFrame::OnCreate() {
    m_wndMDIClient = new QMdiArea(this);
    // A window moved or left partly outside the area stays reachable.
    m_wndMDIClient->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_wndMDIClient->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_wndMDIClient);
    if (!m_wndMDIClient->viewport()) return false;
    CreateCommands();
    CreateMenus();
    if (!CreateToolBar() || !CreateStatusBar()) return false;
    if (!CreateFunctionTreeBar()) return false;
    ConnectRefreshTriggers();
    RefreshCommandsAndTitle();
    return true;
}

bool CMainFrame::CreateFunctionTreeBar() {
    m_wndFunctionTreeBar = new CFunctionTreeBar;
    if (!m_wndFunctionTreeBar->Create("My Bar", this, QSize(180, 80), false, IDW_FUNCTION_TREE_BAR,
                                      bar_style::Child | bar_style::Visible | bar_style::Top))
        return false;
    m_wndFunctionTreeBar->SetBarStyle(m_wndFunctionTreeBar->BarStyle() | bar_style::ToolTips |
                                      bar_style::FlyBy | bar_style::SizeDynamic);
    m_wndFunctionTreeBar->EnableDocking(true);
    m_pDockSite = CDockSite::EnableDocking(*this);
    m_pDockSite->DockControlBar(*m_wndFunctionTreeBar, dock::Left);
    // Its close box hides it; the View menu brings it back.
    QAction* toggle = m_commands.Find(cmd::ViewFunctionTree);
    toggle->setChecked(m_wndFunctionTreeBar->Model().visible);
    connect(toggle, &QAction::toggled, this, [this](bool show) {
        if (m_wndFunctionTreeBar->Model().visible != show)
            m_pDockSite->ShowControlBar(*m_wndFunctionTreeBar, show);
    });
    connect(m_pDockSite, &CDockSite::ControlBarShown, this,
            [this, toggle](CSizingControlBar* bar, bool shown) {
                if (bar == m_wndFunctionTreeBar) toggle->setChecked(shown);
            });
    return true;
}

void CMainFrame::CreateCommands() {
    m_commands.Add(cmd::FeaturePci, "PCI Read/Write");
    m_commands.Add(cmd::FileClose, "&Close", "Close the active document\nClose");
    m_commands.Add(cmd::AppExit, "E&xit", "Quit the application; prompts to save documents\nExit");
    m_commands.Add(cmd::ViewToolBar, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar");
    m_commands.Add(cmd::ViewStatusBar, "&Status Bar",
                   "Show or hide the status bar\nToggle StatusBar");
    m_commands.Add(cmd::ViewFunctionTree, "&My Bar",
                   "Show or hide the function tree\nToggle My Bar");
    m_commands.Add(cmd::WindowCascade, "&Cascade",
                   "Arrange windows so they overlap\nCascade Windows");
    m_commands.Add(cmd::WindowTile, "&Tile",
                   "Arrange windows as non-overlapping tiles\nTile Windows");
    m_commands.Add(cmd::OnlineHelp, "&Online Help");
    m_commands.Add(cmd::AppAbout, "&About...",
                   "Display program information, version number and copyright\nAbout");
    m_commands.Add(cmd::Save, "Save", "Save current active document\nSave");
    m_commands.Add(cmd::SaveAll, "Save All", "Save all open documents\nSave All");
    m_commands.Add(cmd::EditCut, "Cut", "Cut the selection and put it on the Clipboard\nCut");
    m_commands.Add(cmd::EditCopy, "Copy", "Copy the selection and put it on the Clipboard\nCopy");
    m_commands.Add(cmd::EditPaste, "Paste", "Insert Clipboard contents\nPaste");
    m_commands.Add(cmd::SupportWebsite, "Support Website",
                   "Connet to product support website\nSupport Website");

    for (int id : {cmd::ViewToolBar, cmd::ViewStatusBar, cmd::ViewFunctionTree}) {
        m_commands.Find(id)->setCheckable(true);
        m_commands.Find(id)->setChecked(true);
    }
    connect(m_commands.Find(cmd::WindowCascade), &QAction::triggered, this,
            [this] { m_wndMDIClient->cascadeSubWindows(); });
    connect(m_commands.Find(cmd::WindowTile), &QAction::triggered, this,
            [this] { m_wndMDIClient->tileSubWindows(); });
    connect(m_commands.Find(cmd::FileClose), &QAction::triggered, this,
            [this] { m_wndMDIClient->closeActiveSubWindow(); });
    connect(m_commands.Find(cmd::AppExit), &QAction::triggered, this, &QWidget::close);
    for (const EditCommand& edit : kEditCommands)
        connect(m_commands.Find(edit.id), &QAction::triggered, this,
                [this, edit] { RouteToActiveView(edit.handler); });
}

void CMainFrame::FillWindowList() {
    for (QAction* action : m_windowListActions) delete action;
    m_windowListActions.clear();
    const QList<QMdiSubWindow*> windows = m_wndMDIClient->subWindowList(QMdiArea::CreationOrder);
    if (!windows.isEmpty()) m_windowListActions.push_back(m_pWindowMenu->addSeparator());
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows[i];
        QString name = window->windowTitle();
        if (auto* child = qobject_cast<CChildFrame*>(window); child && child->GetActiveDocument())
            name += " - " + child->GetActiveDocument()->GetTitle();
        // The first nine get their number as mnemonic.
        const QString number = i < 9 ? "&" + QString::number(i + 1) : QString::number(i + 1);
        QAction* action = m_pWindowMenu->addAction(number + " " + name);
        action->setCheckable(true);
        action->setChecked(window == m_wndMDIClient->currentSubWindow());
        connect(action, &QAction::triggered, this,
                [this, window = QPointer<QMdiSubWindow>(window)] {
                    if (window) m_wndMDIClient->setActiveSubWindow(window);
                });
        m_windowListActions.push_back(action);
    }
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    // The tab text is only shown: no accelerator belongs to this menu.
    QMenu* fileNew = file->addMenu("&New\tCtrl+N");
    fileNew->addAction(m_commands.Find(cmd::FeaturePci));
    file->addSeparator();
    file->addAction(m_commands.Find(cmd::FileClose));
    file->addAction(m_commands.Find(cmd::AppExit));

    QMenu* view = menuBar()->addMenu("&View");
    view->addAction(m_commands.Find(cmd::ViewToolBar));
    view->addAction(m_commands.Find(cmd::ViewStatusBar));
    view->addAction(m_commands.Find(cmd::ViewFunctionTree));

    m_pWindowMenu = menuBar()->addMenu("&Window");
    m_pWindowMenu->addAction(m_commands.Find(cmd::WindowCascade));
    m_pWindowMenu->addAction(m_commands.Find(cmd::WindowTile));
    connect(m_pWindowMenu, &QMenu::aboutToShow, this, &CMainFrame::FillWindowList);

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction(m_commands.Find(cmd::OnlineHelp));
    help->addSeparator();
    help->addAction(m_commands.Find(cmd::AppAbout));
}

bool CMainFrame::CreateToolBar() {
    // Movable, so it shows its gripper as a rebar band does.
    m_wndToolBar = new QToolBar("Standard", this);
    m_wndToolBar->setObjectName("ToolBar");
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setIconSize(QSize(16, 15));
    const int buttons[] = {cmd::Save,          cmd::SaveAll,   0, cmd::EditCut,
                           cmd::EditCopy,      cmd::EditPaste, 0, cmd::AppAbout,
                           cmd::SupportWebsite};
    for (int id : buttons) {
        if (id == 0) {
            m_wndToolBar->addSeparator();
            continue;
        }
        QAction* action = m_commands.Find(id);
        action->setIcon(ToolBarImage(id));
        m_wndToolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    QAction* toggle = m_commands.Find(cmd::ViewToolBar);
    connect(toggle, &QAction::toggled, m_wndToolBar, &QWidget::setVisible);
    connect(m_wndToolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
    return true;
}

bool CMainFrame::CreateStatusBar() {
    m_wndStatusBar = new QStatusBar(this);
    setStatusBar(m_wndStatusBar);
    // A normal widget is hidden while a prompt shows, so it is the idle text.
    m_wndStatusBar->addWidget(new QLabel(kIdleMessage, m_wndStatusBar), 1);
    m_pIndicators = new StatusIndicators(*m_wndStatusBar, std::move(m_lockKeys));
    QAction* toggle = m_commands.Find(cmd::ViewStatusBar);
    connect(toggle, &QAction::toggled, m_wndStatusBar, &QWidget::setVisible);
    return true;
}

void CMainFrame::ConnectRefreshTriggers() {
    connect(m_wndMDIClient, &QMdiArea::subWindowActivated, this, &CMainFrame::ScheduleRefresh);
    connect(qApp, &QApplication::focusChanged, this, &CMainFrame::ScheduleRefresh);
    // What a view enables can change with any key or click inside it (a
    // selection made or dropped): the commands follow once it is handled.
    qApp->installEventFilter(this);
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &CMainFrame::ScheduleRefresh);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonRelease:
            ScheduleRefresh();
            break;
        case QEvent::ChildAdded:
        case QEvent::ChildRemoved:
        case QEvent::WindowStateChange:
            // Windows come and go as children of the area's viewport; the
            // area drops a closed one from its list only after this event.
            // Maximising or restoring a child changes the main title.
            if (watched == m_wndMDIClient->viewport() || qobject_cast<CChildFrame*>(watched))
                ScheduleRefresh();
            break;
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::ScheduleRefresh() {
    if (m_bRefreshPending) return;
    m_bRefreshPending = true;
    QMetaObject::invokeMethod(this, &CMainFrame::RefreshCommandsAndTitle, Qt::QueuedConnection);
}

void CMainFrame::RefreshCommandsAndTitle() {
    m_bRefreshPending = false;
    const bool anyChild = HasChildFrame();
    m_commands.Find(cmd::Save)->setEnabled(anyChild);
    m_commands.Find(cmd::SaveAll)->setEnabled(anyChild);
    m_commands.Find(cmd::FileClose)->setEnabled(ActiveChildFrame() != nullptr);
    const bool anyWindow = !m_wndMDIClient->subWindowList().isEmpty();
    m_commands.Find(cmd::WindowCascade)->setEnabled(anyWindow);
    m_commands.Find(cmd::WindowTile)->setEnabled(anyWindow);
    QWidget* view = ActiveChildFrame() ? ActiveChildFrame()->GetActiveView() : nullptr;
    for (const EditCommand& edit : kEditCommands)
        m_commands.Find(edit.id)->setEnabled(ViewCommandRoute::IsEnabled(view, edit.handler));
    OnUpdateFrameTitle();
}

bool CMainFrame::HasChildFrame() {
    int count = 0;
    while (NextChildFrame()) ++count;
    return count > 0;
}

CChildFrame* CMainFrame::NextChildFrame() {
    const QList<QMdiSubWindow*> windows = m_wndMDIClient->subWindowList(QMdiArea::CreationOrder);
    qsizetype next = m_pCursor ? windows.indexOf(m_pCursor.data()) + 1 : 0;
    for (; next < windows.size(); ++next) {
        m_pCursor = windows[next];
        if (auto* child = qobject_cast<CChildFrame*>(windows[next])) return child;
    }
    m_pCursor = nullptr;
    return nullptr;
}

CChildFrame* CMainFrame::ActiveChildFrame() const {
    return m_wndMDIClient ? qobject_cast<CChildFrame*>(m_wndMDIClient->currentSubWindow())
                          : nullptr;
}

void CMainFrame::RouteToActiveView(const char* handler) {
    CChildFrame* child = ActiveChildFrame();
    if (!child || !ViewCommandRoute::IsEnabled(child->GetActiveView(), handler)) return;
    ViewCommandRoute::Invoke(child->GetActiveView(), handler);
    ScheduleRefresh();
}

void CMainFrame::OnUpdateFrameTitle() {
    CChildFrame* child = ActiveChildFrame();
    QString title = m_strBaseTitle;
    if (child && child->GetActiveDocument())
        title += " - " + child->GetActiveDocument()->GetTitle();
    // A maximised child shows its caption in the main title, as MDI does.
    if (child && child->isMaximized()) title += " - [" + child->windowTitle() + "]";
    if (windowTitle() != title) setWindowTitle(title);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // As an editor leaves: every window settles what it would lose first, and
    // one Cancel keeps the program and all its windows as they were.
    for (QMdiSubWindow* window : m_wndMDIClient->subWindowList(QMdiArea::CreationOrder)) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (child && !child->QueryClose()) {
            event->ignore();
            return;
        }
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::changeEvent(QEvent* event) {
    // QMdiSubWindow writes a title of its own when a child is maximised or
    // restored; ours follows.
    if (event->type() == QEvent::WindowTitleChange) ScheduleRefresh();
    QMainWindow::changeEvent(event);
}

void CMainFrame::ActivateFromOtherInstance() {
    showNormal();
    raise();
    activateWindow();
}
