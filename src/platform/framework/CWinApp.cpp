#include "platform/framework/CWinApp.h"
#include "platform/framework/Cp932Text.h"

#include "platform/Mbcs.h"
#include "platform/MessageBoxService.h"
#include "platform/framework/CDocument.h"
#include "platform/framework/CFrameWnd.h"
#include "platform/framework/CQtDialogService.h"
#include "platform/framework/CRecentFileList.h"
#include "platform/framework/CShellOpenChannel.h"
#include "platform/framework/CSingleDocTemplate.h"
#include "platform/framework/LocalFileName.h"
#include "platform/framework/Resources.h"

#include <QApplication>
#include <QSettings>
#include <QStringList>

#include <clocale>
#include <unistd.h>

namespace {
CWinApp* g_pApp = nullptr;

} // namespace

CWinApp::CWinApp() : m_pDialogService(std::make_unique<CQtDialogService>()) {
    g_pApp = this;
    MapCommand(ID_APP_EXIT, [this] { OnAppExit(); });
    MapCommandRange(ID_FILE_MRU_FILE1, ID_FILE_MRU_LAST, [this](UINT id) { OnOpenRecentFile(id); });
}

CWinApp::~CWinApp() {
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

int CWinApp::ExitInstance() {
    m_pShellOpen.reset();
    if (m_pDocTemplate != nullptr) {
        m_pDocTemplate->CloseAllDocuments();
    }
    return 0;
}

QString CWinApp::GetAppTitle() const {
    return Resources::LoadString(AFX_IDS_APP_TITLE);
}

std::unique_ptr<IDialogService> CWinApp::SetDialogService(std::unique_ptr<IDialogService> service) {
    std::swap(m_pDialogService, service);
    return service;
}

void CWinApp::SetRegistryKey(const QString& key) {
    m_pProfile = std::make_unique<QSettings>(key, GetAppTitle());
}

void CWinApp::LoadStdProfileSettings(int recentFiles) {
    if (m_pProfile == nullptr) {
        SetRegistryKey(GetAppTitle());
    }
    m_pRecentFileList = std::make_unique<CRecentFileList>(*m_pProfile, recentFiles);
}

void CWinApp::AddToRecentFileList(const QString& path) {
    if (m_pRecentFileList != nullptr) {
        m_pRecentFileList->Add(path);
    }
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate) {
    m_pDocTemplate = std::move(docTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const {
    for (qsizetype i = 1; i < m_commandLine.size(); ++i) {
        if (!m_commandLine[i].startsWith(u'-')) {
            info.m_nShellCommand = CCommandLineInfo::FileOpen;
            info.m_strFileName = m_commandLine[i];
            return;
        }
    }
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info) {
    const QString path =
        info.m_nShellCommand == CCommandLineInfo::FileOpen ? info.m_strFileName : QString();
    if (!path.isEmpty() && m_pShellOpen != nullptr &&
        m_pShellOpen->HandOver(LocalFileName::Absolute(path))) {
        m_bHandedOver = true;
        return false;
    }
    const bool listening = m_pShellOpen != nullptr && m_pShellOpen->Listen();
    if (m_pDocTemplate == nullptr || m_pDocTemplate->OpenDocumentFile(path) == nullptr) {
        return false;
    }
    if (listening) {
        m_pShellOpen->Serve([this] { return CanOpenHandedDocument(); },
                            [this](const QString& handed) { OnShellOpen(handed); });
    }
    return true;
}

CDocument* CWinApp::OpenDocumentFile(const QString& path) {
    return m_pDocTemplate != nullptr ? m_pDocTemplate->OpenDocumentFile(path) : nullptr;
}

bool CWinApp::SaveAllModified() {
    CDocument* document = m_pDocTemplate != nullptr ? m_pDocTemplate->GetDocument() : nullptr;
    return document == nullptr || document->SaveModified();
}

void CWinApp::OnFileNew() {
    OpenDocumentFile(QString());
}

void CWinApp::EnableShellOpen() {
    m_pShellOpen = std::make_unique<CShellOpenChannel>(GetAppTitle());
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd != nullptr) {
        m_pMainWnd->close();
    }
}

void CWinApp::OnOpenRecentFile(UINT id) {
    const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    if (m_pRecentFileList == nullptr || index >= m_pRecentFileList->GetFiles().size()) {
        return;
    }
    const QString path = m_pRecentFileList->GetFiles()[index];
    // By name: the save-changes prompt may have added a file to the list meanwhile.
    if (OpenDocumentFile(path) == nullptr &&
        ::access(LocalFileName::FromQString(path).c_str(), F_OK) != 0) {
        m_pRecentFileList->Remove(path); // a file that is gone leaves the list
    }
}

bool CWinApp::CanOpenHandedDocument() const {
    return m_pMainWnd != nullptr && m_pMainWnd->isVisible() &&
           QApplication::activeModalWidget() == nullptr &&
           QApplication::activePopupWidget() == nullptr && !IsBusy();
}

// The document of a later start: the window comes to the front, where the save-changes
// prompt shows, then the document opens as a recent file does.
void CWinApp::OnShellOpen(const QString& path) {
    m_pMainWnd->setWindowState(m_pMainWnd->windowState() & ~Qt::WindowMinimized);
    m_pMainWnd->raise();
    m_pMainWnd->activateWindow();
    OpenDocumentFile(path);
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

CFrameWnd* AfxGetMainWnd() {
    return g_pApp != nullptr ? g_pApp->m_pMainWnd : nullptr;
}

int AfxMessageBox(const QString& text, UINT type) {
    return AfxGetApp()->GetDialogService().MessageBox(text, AfxGetApp()->GetAppTitle(), type);
}

void AfxWinInit() {
    // Qt adopts the user's locale; numbers in files are read and written the C way.
    std::setlocale(LC_NUMERIC, "C");
    MessageBoxService::SetHandler(
        [](const std::string& text, const std::string& caption, unsigned int type) {
            return AfxGetApp()->GetDialogService().MessageBox(
                Cp932Text::ToQString(text),
                caption.empty() ? AfxGetApp()->GetAppTitle() : Cp932Text::ToQString(caption), type);
        });
}

int AfxWinMain(int argc, char** argv) {
    QApplication application(argc, argv); // takes Qt's own options out of the arguments
    AfxWinInit();
    CWinApp* app = AfxGetApp();
    for (int i = 0; i < argc; ++i) {
        app->m_commandLine << LocalFileName::ToQString(argv[i]);
    }
    if (!app->InitInstance()) {
        app->ExitInstance();
        return app->HandedOver() ? 0 : 1;
    }
    const int result = QApplication::exec();
    app->ExitInstance();
    return result;
}
