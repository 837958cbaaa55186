#pragma once

// The single-document template: it makes the one document and then its frame, and reuses
// both for every later new or opened document. Its resource id names the template string,
// whose fields (separated by '\n') give the window title, the file type and its extension.

#include "platform/WinTypes.h"

#include <QString>

#include <functional>
#include <memory>

class CDocument;
class CFrameWnd;

class CSingleDocTemplate {
public:
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;

    CSingleDocTemplate(UINT resourceId, DocumentFactory makeDocument, FrameFactory makeFrame);
    ~CSingleDocTemplate();

    QString GetDocString(DocStringIndex index) const;
    // "filterName|*ext|": the template's file type as a file-dialog filter.
    QString GetFileFilter() const;
    // A new document for an empty path, else the document read from the file. The document
    // and its frame are made on the first call. Null when the document could not be made,
    // the save-changes prompt was cancelled, or the file could not be read.
    CDocument* OpenDocumentFile(const QString& path);
    // Destroys the frame, then the document.
    void CloseAllDocuments();

    CDocument* GetDocument() const { return m_pDocument.get(); }
    CFrameWnd* GetFrame() const { return m_pFrame.get(); }

private:
    bool CreateDocumentAndFrame();

    UINT m_nResourceId;
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    std::unique_ptr<CDocument> m_pDocument;
    std::unique_ptr<CFrameWnd> m_pFrame;
};
