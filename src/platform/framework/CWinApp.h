#pragma once

// The application: one per process. It keeps the title, the per-user profile with the
// recent-file list, the document template and the dialog service, opens documents for the
// command line, the recent-file list, dropped files and later starts (shell open), and
// handles the framework's own application commands (exit, recent files). A derived
// application adds its handlers in its constructor and builds everything in InitInstance.

#include "platform/framework/CCmdTarget.h"
#include "platform/framework/FrameworkIds.h"

#include <QString>
#include <QStringList>

#include <memory>

class CDocument;
class CFrameWnd;
class CRecentFileList;
class CShellOpenChannel;
class CSingleDocTemplate;
class IDialogService;
class QSettings;

struct CCommandLineInfo {
    enum ShellCommand { FileNew, FileOpen };
    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
};

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    // Closes the document and its frame.
    virtual int ExitInstance();

    // The application's title: string AFX_IDS_APP_TITLE.
    QString GetAppTitle() const;
    IDialogService& GetDialogService() const { return *m_pDialogService; }
    // Installs another dialog service and returns the one it replaces.
    std::unique_ptr<IDialogService> SetDialogService(std::unique_ptr<IDialogService> service);

    // The per-user profile lives under the registry key and the application's title.
    void SetRegistryKey(const QString& key);
    void LoadStdProfileSettings(int recentFiles);
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }
    void AddToRecentFileList(const QString& path);

    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }
    // The first argument that is not an option names a document to open.
    void ParseCommandLine(CCommandLineInfo& info) const;
    // Opens the document of the command line, or a new one. With shell open enabled, a
    // document goes to the program that already runs, if one does, and the start fails
    // without a window (HandedOver tells it apart); otherwise this start takes the documents
    // of later starts, which wait while its own document loads.
    bool ProcessShellCommand(const CCommandLineInfo& info);
    bool HandedOver() const { return m_bHandedOver; }
    // Asks to save a modified document first; null when that was cancelled or the file
    // could not be read (the document then stays as it was).
    CDocument* OpenDocumentFile(const QString& path);
    bool SaveAllModified();

    void OnFileNew();
    // One program per user and display takes the documents that the shell opens.
    void EnableShellOpen();
    // The shell finds the program through the desktop entry and the document type that are
    // installed with it: nothing to register at run time.
    void RegisterShellFileTypes(bool) {}

    // Whether the application is at work that a document opening would cut short or mix with
    // another document. A document that a later start hands over waits while it is, as it
    // waits while a modal window or a pop-up menu is up.
    virtual bool IsBusy() const { return false; }

    CFrameWnd* m_pMainWnd = nullptr;
    // The program's arguments, its own name first; AfxWinMain takes them from the process,
    // each byte kept (LocalFileName).
    QStringList m_commandLine;

private:
    void OnAppExit();
    void OnOpenRecentFile(UINT id);
    // The main window is up, in no event loop of a modal window or a pop-up menu, and the
    // application is not busy.
    bool CanOpenHandedDocument() const;
    void OnShellOpen(const QString& path);

    std::unique_ptr<IDialogService> m_pDialogService;
    std::unique_ptr<QSettings> m_pProfile;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    std::unique_ptr<CShellOpenChannel> m_pShellOpen;
    bool m_bHandedOver = false;
};

CWinApp* AfxGetApp();
CFrameWnd* AfxGetMainWnd();
// A message box under the application's title.
int AfxMessageBox(const QString& text, UINT type = 0);
// There is no OLE and no control container on this platform: both always succeed.
inline bool AfxOleInit() {
    return true;
}
inline void AfxEnableControlContainer() {}
// Prepares the process for the application once Qt's application object exists: numbers
// read and written the C way, and the message boxes of the core shown through the dialog
// service.
void AfxWinInit();
// The program's entry: Qt's application object, AfxWinInit, InitInstance, the event loop
// while InitInstance succeeded, then ExitInstance. A start that failed ends with 1, one that
// handed its document over with 0.
int AfxWinMain(int argc, char** argv);
