#include "platform/framework/CFrameWnd.h"

#include "platform/framework/CCommandTable.h"
#include "platform/framework/CDocument.h"
#include "platform/framework/CRecentFileList.h"
#include "platform/framework/CSingleDocTemplate.h"
#include "platform/framework/CStatusBar.h"
#include "platform/framework/CView.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/KeyboardLocks.h"
#include "platform/framework/LocalFileName.h"
#include "platform/framework/Resources.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

namespace {
constexpr int IdleUpdateMs = 200;
constexpr int RecentFileLabelLength = 60;

// The URL's bytes, as the file system names the file: toLocalFile would take them for UTF-8.
QStringList LocalFiles(const QMimeData* data) {
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            files << LocalFileName::ToQString(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())
                    .toStdString());
        }
    }
    return files;
}
} // namespace

CFrameWnd::CFrameWnd() {
    MapCommand(ID_VIEW_TOOLBAR, [this] { ToggleControlBar(AFX_IDW_TOOLBAR); });
    MapCommand(ID_VIEW_STATUS_BAR, [this] { ToggleControlBar(AFX_IDW_STATUS_BAR); });
    for (const UINT id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
        MapUpdateCommand(id, [this, id](CCmdUI& ui) {
            const auto bar = m_controlBars.find(id);
            ui.Enable(bar != m_controlBars.end());
            ui.SetCheck(bar != m_controlBars.end() && bar->second->isVisible() ? 1 : 0);
        });
    }
    for (const auto& [id, lock] : {std::pair{ID_INDICATOR_CAPS, KeyboardLock::Caps},
                                   std::pair{ID_INDICATOR_NUM, KeyboardLock::Num},
                                   std::pair{ID_INDICATOR_SCRL, KeyboardLock::Scroll}}) {
        MapUpdateCommand(
            id, [lock = lock](CCmdUI& ui) { ui.Enable(IsKeyboardLockOn(lock).value_or(false)); });
    }
    m_idleUpdate.setInterval(IdleUpdateMs);
    connect(&m_idleUpdate, &QTimer::timeout, this, [this] { UpdateCommandUI(); });
    // The frame has no context menu of its own: a right click on the menu bar or the status
    // bar shows none (Qt's would offer to hide the toolbar).
    setContextMenuPolicy(Qt::NoContextMenu);
}

CFrameWnd::~CFrameWnd() = default;

bool CFrameWnd::LoadFrame(UINT resourceId, CDocument* document) {
    m_pDocument = document;
    // The resource's icon is the application's: the frame and every dialog show it.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/icon%1.xpm").arg(resourceId)));
    CreateActions();
    BuildMenu(resourceId);
    if (OnCreate() == -1) {
        return false;
    }
    m_idleUpdate.start();
    return true;
}

int CFrameWnd::OnCreate() {
    return OnCreateClient(m_pDocument) ? 0 : -1;
}

void CFrameWnd::InitialUpdateFrame(CDocument* document) {
    for (CView* view : document->GetViews()) {
        QWidget& window = view->GetViewWindow();
        window.installEventFilter(this);
        // A click into a view gives it the focus, as activating a view does: the field that
        // had the focus is left, and takes effect, before the view handles the click.
        if (window.focusPolicy() == Qt::NoFocus) {
            window.setFocusPolicy(Qt::ClickFocus);
        }
        view->OnInitialUpdate();
    }
    OnUpdateFrameTitle();
    UpdateCommandUI();
}

void CFrameWnd::OnUpdateFrameTitle() {
    QString title;
    if (m_pDocument != nullptr && m_pDocument->GetDocTemplate() != nullptr) {
        title = m_pDocument->GetDocTemplate()->GetDocString(CSingleDocTemplate::windowTitle);
    }
    if (m_pDocument != nullptr && !m_pDocument->GetTitle().isEmpty()) {
        title = m_pDocument->GetTitle() + QStringLiteral(" - ") + title;
    }
    setWindowTitle(title);
}

void CFrameWnd::RouteCommand(UINT id) {
    for (CCmdTarget* target : CommandRoute()) {
        if (target->HasCommandHandler(id)) {
            target->OnCommand(id);
            break;
        }
    }
    UpdateCommandUI();
}

CCmdUI CFrameWnd::QueryCommandState(UINT id) const {
    CCmdUI ui(id);
    const std::vector<CCmdTarget*> route = CommandRoute();
    for (CCmdTarget* target : route) {
        if (target->OnUpdateCommand(ui)) {
            return ui;
        }
    }
    bool handled = false;
    for (const CCmdTarget* target : route) {
        handled = handled || target->HasCommandHandler(id);
    }
    ui.Enable(handled);
    return ui;
}

void CFrameWnd::UpdateCommandUI() {
    for (const auto& [id, action] : m_actions) {
        const CCmdUI ui = QueryCommandState(id);
        action->setEnabled(ui.m_bEnabled);
        action->setCheckable(ui.m_bCheckable);
        action->setChecked(ui.m_nCheck != 0);
    }
    RefreshRecentFiles();
    if (m_pStatusBar != nullptr) {
        m_pStatusBar->UpdateIndicators(*this);
    }
}

QAction* CFrameWnd::GetCommandAction(UINT id) const {
    const auto found = m_actions.find(id);
    return found != m_actions.end() ? found->second : nullptr;
}

bool CFrameWnd::HasEnabledShortcut(const QKeySequence& keys) const {
    for (const auto& [id, action] : m_actions) {
        if (action->isEnabled() && action->shortcuts().contains(keys)) {
            return true;
        }
    }
    return false;
}

void CFrameWnd::AddControlBar(UINT id, QWidget* bar) {
    m_controlBars[id] = bar;
}

bool CFrameWnd::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn) &&
        m_pDocument != nullptr) {
        for (CView* view : m_pDocument->GetViews()) {
            if (&view->GetViewWindow() == watched) {
                SetActiveView(view);
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CFrameWnd::closeEvent(QCloseEvent* event) {
    if (AfxGetApp()->SaveAllModified()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void CFrameWnd::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CFrameWnd::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFiles(event->mimeData());
    event->acceptProposedAction();
    activateWindow();
    // Opened once the drop is over: the save-changes prompt and the messages of a file that
    // cannot be read must not hold up the program the files came from.
    QTimer::singleShot(0, this, [files] {
        for (const QString& file : files) {
            AfxGetApp()->OpenDocumentFile(file);
        }
    });
}

void CFrameWnd::CreateActions() {
    for (const auto& [id, info] : CCommandTable::Get()) {
        MakeAction(info);
    }
}

QAction* CFrameWnd::MakeAction(const CommandInfo& info) {
    auto* action = new QAction(info.text, this);
    action->setShortcuts(info.keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setStatusTip(info.StatusText());
    action->setToolTip(info.ToolTip());
    connect(action, &QAction::triggered, this, [this, id = info.id] { RouteCommand(id); });
    addAction(action); // its keys work wherever the focus is in the window
    m_actions[info.id] = action;
    return action;
}

void CFrameWnd::BuildMenu(UINT resourceId) {
    for (const Resources::MenuPopup& popup : Resources::LoadMenu(resourceId)) {
        QMenu* menu = menuBar()->addMenu(popup.text);
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandUI(); });
        for (const UINT id : popup.items) {
            if (id == 0) {
                menu->addSeparator();
            } else if (QAction* action = GetCommandAction(id)) {
                menu->addAction(action);
            }
            if (id == ID_FILE_MRU_FILE1) {
                AddRecentFileActions(*menu);
            }
        }
    }
}

// The entries after the first of the recent-file list, which the resource does not name.
void CFrameWnd::AddRecentFileActions(QMenu& popup) {
    const CRecentFileList* list = AfxGetApp()->GetRecentFileList();
    const int size = list != nullptr ? list->GetSize() : 0;
    for (int index = 1; index < size; ++index) {
        CommandInfo info;
        info.id = ID_FILE_MRU_FILE1 + static_cast<UINT>(index);
        popup.addAction(MakeAction(info));
    }
}

// Recent files show as "&1 path" entries; an empty list shows the first entry's own text,
// disabled.
void CFrameWnd::RefreshRecentFiles() {
    const CRecentFileList* list = AfxGetApp()->GetRecentFileList();
    const QStringList files = list != nullptr ? list->GetFiles() : QStringList();
    for (UINT id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_LAST; ++id) {
        QAction* action = GetCommandAction(id);
        if (action == nullptr) {
            continue;
        }
        const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
        if (index < files.size()) {
            const QString path = QDir::toNativeSeparators(files[index]);
            const QString shown = path.size() > RecentFileLabelLength
                                      ? QStringLiteral("...") + path.right(RecentFileLabelLength)
                                      : path;
            action->setText(QStringLiteral("&%1 %2").arg(index + 1).arg(shown));
            action->setStatusTip(path);
            action->setVisible(true);
        } else {
            action->setText(CCommandTable::Find(id).text);
            action->setVisible(index == 0);
            action->setEnabled(false);
        }
    }
}

void CFrameWnd::ToggleControlBar(UINT id) {
    if (const auto bar = m_controlBars.find(id); bar != m_controlBars.end()) {
        bar->second->setVisible(!bar->second->isVisible());
    }
}

std::vector<CCmdTarget*> CFrameWnd::CommandRoute() const {
    std::vector<CCmdTarget*> route;
    if (m_pActiveView != nullptr) {
        route.push_back(m_pActiveView);
    }
    if (m_pDocument != nullptr) {
        route.push_back(m_pDocument);
    }
    route.push_back(const_cast<CFrameWnd*>(this));
    if (AfxGetApp() != nullptr) {
        route.push_back(AfxGetApp());
    }
    return route;
}
