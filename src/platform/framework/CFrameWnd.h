#pragma once

// The frame window: the main window with the menu bar of its resource, one action per row
// of the command table (the menu items, toolbar buttons and accelerators share it), the
// panes that OnCreateClient builds, and the routing of every command to the active view, its
// document, the frame and the application, in that order. Update handlers run before a menu
// opens, after every command and, for the toolbar and the status bar, whenever the event loop
// is idle for a moment; a command that no target handles is disabled.

#include "platform/framework/CCmdTarget.h"
#include "platform/framework/CCmdUI.h"

#include <QMainWindow>
#include <QTimer>

#include <map>
#include <vector>

class CDocument;
class CStatusBar;
class CView;
class QAction;
class QMenu;
struct CommandInfo;

class CFrameWnd : public QMainWindow, public CCmdTarget {
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Builds the actions and the menu of the resource, then OnCreate; false when that fails.
    bool LoadFrame(UINT resourceId, CDocument* document);
    // Runs OnCreateClient: 0, or -1 when it fails.
    virtual int OnCreate();
    virtual bool OnCreateClient(CDocument* document) = 0;
    // After a new or read document: the views' initial update and the caption.
    void InitialUpdateFrame(CDocument* document);
    void OnUpdateFrameTitle();

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view) { m_pActiveView = view; }
    CDocument* GetActiveDocument() const { return m_pDocument; }

    void RouteCommand(UINT id);
    // The command's state as its update handler, or the lack of any handler, leaves it.
    CCmdUI QueryCommandState(UINT id) const;
    void UpdateCommandUI();
    QAction* GetCommandAction(UINT id) const;
    // Whether the keys trigger a command that is enabled now.
    bool HasEnabledShortcut(const QKeySequence& keys) const;

    // Registers a toolbar or the status bar under its child id, for the commands that show
    // and hide it.
    void AddControlBar(UINT id, QWidget* bar);
    void SetStatusBar(CStatusBar* bar) { m_pStatusBar = bar; }
    void DragAcceptFiles(bool accept) { setAcceptDrops(accept); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    QAction* MakeAction(const CommandInfo& info);
    void BuildMenu(UINT resourceId);
    void AddRecentFileActions(QMenu& popup);
    void RefreshRecentFiles();
    void ToggleControlBar(UINT id);
    std::vector<CCmdTarget*> CommandRoute() const;

    CDocument* m_pDocument = nullptr;
    CView* m_pActiveView = nullptr;
    CStatusBar* m_pStatusBar = nullptr;
    std::map<UINT, QAction*> m_actions;
    std::map<UINT, QWidget*> m_controlBars;
    QTimer m_idleUpdate;
};
