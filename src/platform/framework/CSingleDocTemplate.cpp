#include "platform/framework/CSingleDocTemplate.h"

#include "platform/framework/CDocument.h"
#include "platform/framework/CFrameWnd.h"
#include "platform/framework/CWinApp.h"
#include "platform/framework/Resources.h"

#include <QStringList>

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocumentFactory makeDocument,
                                       FrameFactory makeFrame)
    : m_nResourceId(resourceId), m_makeDocument(std::move(makeDocument)),
      m_makeFrame(std::move(makeFrame)) {}

CSingleDocTemplate::~CSingleDocTemplate() {
    CloseAllDocuments();
}

QString CSingleDocTemplate::GetDocString(DocStringIndex index) const {
    return Resources::LoadString(m_nResourceId).split(u'\n').value(index);
}

QString CSingleDocTemplate::GetFileFilter() const {
    return QStringLiteral("%1|*%2|%3")
        .arg(GetDocString(filterName), GetDocString(filterExt),
             Resources::LoadString(AFX_IDS_ALLFILTER));
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const QString& path) {
    const bool created = m_pDocument == nullptr;
    if (created) {
        if (!CreateDocumentAndFrame()) {
            return nullptr;
        }
    } else if (!m_pDocument->SaveModified()) {
        return nullptr;
    }
    const bool done = path.isEmpty() ? m_pDocument->OnNewDocument() != FALSE
                                     : m_pDocument->OnOpenDocument(path) != FALSE;
    if (!done) {
        if (created) {
            CloseAllDocuments();
        }
        return nullptr;
    }
    if (!path.isEmpty()) {
        m_pDocument->SetPathName(path);
    }
    m_pFrame->InitialUpdateFrame(m_pDocument.get());
    return m_pDocument.get();
}

void CSingleDocTemplate::CloseAllDocuments() {
    if (AfxGetApp() != nullptr && AfxGetApp()->m_pMainWnd == m_pFrame.get()) {
        AfxGetApp()->m_pMainWnd = nullptr;
    }
    m_pFrame.reset();
    m_pDocument.reset();
}

bool CSingleDocTemplate::CreateDocumentAndFrame() {
    m_pDocument = m_makeDocument();
    if (m_pDocument == nullptr) {
        return false;
    }
    m_pDocument->SetDocTemplate(this);
    m_pFrame = m_makeFrame();
    if (m_pFrame == nullptr) {
        m_pDocument.reset();
        return false;
    }
    // The frame is the main window from its creation on: its panes reach it while they
    // are made.
    AfxGetApp()->m_pMainWnd = m_pFrame.get();
    if (!m_pFrame->LoadFrame(m_nResourceId, m_pDocument.get())) {
        CloseAllDocuments();
        return false;
    }
    return true;
}
