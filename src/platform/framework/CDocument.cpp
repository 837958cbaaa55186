#include "platform/framework/CDocument.h"

#include "platform/CArchive.h"
#include "platform/FilePath.h"
#include "platform/MessageBoxService.h"
#include "platform/OutputPath.h"
#include "platform/framework/CFrameWnd.h"
#include "platform/framework/CSingleDocTemplate.h"
#include "platform/framework/CView.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/IDialogService.h"
#include "platform/framework/LocalFileName.h"
#include "platform/framework/Resources.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// Larger documents are refused before anything is read.
constexpr std::uint64_t MaximumDocumentBytes = std::uint64_t{1} << 30;

void ReportFailure(UINT message, const QString& path, UINT reason, const QString& detail = {}) {
    QString text = Resources::LoadString(message).arg(QDir::toNativeSeparators(path)) +
                   QLatin1Char('\n') + Resources::LoadString(reason);
    if (!detail.isEmpty()) {
        text += QStringLiteral(" (%1)").arg(detail);
    }
    AfxMessageBox(text, MB_OK | MB_ICONERROR);
}

// Why the file at the path (the file system's bytes) cannot be read, or 0 when it can be
// opened.
UINT ReasonNotReadable(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) {
        return AFX_IDS_FILE_NOT_FOUND;
    }
    if (!S_ISREG(file.st_mode)) {
        return AFX_IDS_FILE_NOT_REGULAR;
    }
    if (::access(path.c_str(), R_OK) != 0) {
        return AFX_IDS_FILE_ACCESS_DENIED;
    }
    if (static_cast<std::uint64_t>(file.st_size) > MaximumDocumentBytes) {
        return AFX_IDS_FILE_TOO_LARGE;
    }
    return 0;
}

UINT ReasonNotSaved(const std::error_code& error) {
    if (error == OutputPath::NotRegularFile()) {
        return AFX_IDS_FILE_NOT_REGULAR;
    }
    static const struct {
        int error;
        UINT reason;
    } reasons[] = {
        {EACCES, AFX_IDS_FILE_ACCESS_DENIED},      {EPERM, AFX_IDS_FILE_ACCESS_DENIED},
        {ENOSPC, AFX_IDS_FILE_DISK_FULL},          {EDQUOT, AFX_IDS_FILE_DISK_FULL},
        {EROFS, AFX_IDS_FILE_READ_ONLY_VOLUME},    {ENOENT, AFX_IDS_FILE_FOLDER_NOT_FOUND},
        {ENOTDIR, AFX_IDS_FILE_FOLDER_NOT_FOUND},  {EISDIR, AFX_IDS_FILE_REPLACE_ERROR},
        {EBUSY, AFX_IDS_FILE_REPLACE_ERROR},       {EEXIST, AFX_IDS_FILE_CREATE_ERROR},
        {ENAMETOOLONG, AFX_IDS_FILE_CREATE_ERROR}, {EMFILE, AFX_IDS_FILE_CREATE_ERROR},
    };
    for (const auto& entry : reasons) {
        if (error == std::error_code(entry.error, std::generic_category())) {
            return entry.reason;
        }
    }
    return AFX_IDS_FILE_WRITE_ERROR;
}

} // namespace

CDocument::CDocument() {
    MapCommand(ID_FILE_SAVE, [this] { DoFileSave(); });
    MapCommand(ID_FILE_SAVE_AS, [this] { DoSave(QString()); });
}

CDocument::~CDocument() {
    for (CView* view : m_views) {
        view->m_pDocument = nullptr;
    }
}

void CDocument::AddView(CView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
        m_views.push_back(view);
        view->m_pDocument = this;
    }
}

void CDocument::RemoveView(CView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject) {
    const std::vector<CView*> views = m_views; // a view may leave while it is told
    for (CView* view : views) {
        if (view != sender) {
            view->OnUpdate(sender, hint, hintObject);
        }
    }
}

void CDocument::SetPathName(const QString& path, bool addToRecentFiles) {
    m_strPathName = LocalFileName::Absolute(path);
    SetTitle(QFileInfo(m_strPathName).fileName());
    if (addToRecentFiles) {
        AfxGetApp()->AddToRecentFileList(m_strPathName);
    }
}

void CDocument::SetTitle(const QString& title) {
    m_strTitle = title;
    if (CFrameWnd* frame = AfxGetMainWnd()) {
        frame->OnUpdateFrameTitle();
    }
}

BOOL CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    SetTitle(Resources::LoadString(AFX_IDS_UNTITLED));
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const QString& path) {
    // The name tells the reason for the message; the read itself takes only a regular file
    // of bounded size, whatever the name has become meanwhile.
    const std::string file = LocalFileName::FromQString(path);
    if (const UINT reason = ReasonNotReadable(file)) {
        ReportFailure(AFX_IDP_FAILED_TO_OPEN_DOC, path, reason);
        return FALSE;
    }
    const std::optional<std::string> content = FilePath::ReadAll(file, MaximumDocumentBytes);
    if (!content) {
        ReportFailure(AFX_IDP_FAILED_TO_OPEN_DOC, path, AFX_IDS_FILE_READ_ERROR);
        return FALSE;
    }
    DeleteContents();
    try {
        CArchive archive(content->data(), content->size());
        Serialize(archive);
    } catch (const CArchiveException& error) {
        DeleteContents();
        ReportFailure(AFX_IDP_FAILED_TO_OPEN_DOC, path,
                      error.GetCause() == CArchiveException::EndOfFile ? AFX_IDS_FILE_END_OF_FILE
                                                                       : AFX_IDS_FILE_BAD_FORMAT);
        return FALSE;
    }
    SetModifiedFlag(false);
    return TRUE;
}

BOOL CDocument::OnSaveDocument(const QString& path) {
    if (const std::error_code error = CArchive::StoreToFile(
            LocalFileName::FromQString(path), [this](CArchive& archive) { Serialize(archive); })) {
        ReportNotWritten(AFX_IDP_FAILED_TO_SAVE_DOC, path, error);
        return FALSE;
    }
    SetModifiedFlag(false);
    return TRUE;
}

void CDocument::ReportNotWritten(UINT message, const QString& path, const std::error_code& error) {
    ReportFailure(message, path, ReasonNotSaved(error),
                  QString::fromLocal8Bit(error.message().c_str()));
}

bool CDocument::SaveModified() {
    if (!IsModified()) {
        return true;
    }
    const QString name = m_strPathName.isEmpty() ? m_strTitle : m_strPathName;
    switch (AfxMessageBox(Resources::LoadString(AFX_IDP_ASK_TO_SAVE).arg(name),
                          MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL:
        return false;
    case IDYES:
        return DoFileSave();
    default:
        return true;
    }
}

bool CDocument::DoSave(const QString& path, bool replace) {
    QString target = path;
    if (target.isEmpty()) {
        FileDialogRequest request;
        request.open = false;
        request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
        if (m_pDocTemplate != nullptr) {
            request.filter = m_pDocTemplate->GetFileFilter();
            request.defaultExtension =
                m_pDocTemplate->GetDocString(CSingleDocTemplate::filterExt).remove(u'.');
        }
        request.folder = QFileInfo(m_strPathName).absolutePath();
        const std::optional<QString> chosen = AfxGetApp()->GetDialogService().GetFileName(request);
        if (!chosen) {
            return false;
        }
        target = *chosen;
    }
    if (!OnSaveDocument(target)) {
        return false;
    }
    if (replace) {
        SetPathName(target);
    }
    return true;
}

bool CDocument::DoFileSave() {
    return DoSave(m_strPathName);
}
