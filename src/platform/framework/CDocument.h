#pragma once

// A document: it keeps its views, its path name and title, and the modified flag, and it is
// read and written through Serialize over the binary archive. Update hints reach every view
// at once: UpdateAllViews returns after each view but the sender has run its OnUpdate.

#include "platform/framework/CCmdTarget.h"
#include "platform/framework/FrameworkIds.h"

#include <QString>

#include <system_error>
#include <vector>

class CArchive;
class CObject;
class CSingleDocTemplate;
class CView;

class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    const QString& GetPathName() const { return m_strPathName; }
    // Makes the path absolute, titles the document after the file and, when asked, adds it
    // to the recent-file list.
    void SetPathName(const QString& path, bool addToRecentFiles = true);
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);
    void SetDocTemplate(CSingleDocTemplate* docTemplate) { m_pDocTemplate = docTemplate; }
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    virtual void Serialize(CArchive& archive) = 0;
    virtual void DeleteContents() {}
    // Empties the document: no path, not modified, titled "untitled".
    virtual BOOL OnNewDocument();
    // Reads the file through Serialize; on failure a message names the file and the reason.
    virtual BOOL OnOpenDocument(const QString& path);
    // Writes the file through Serialize, replacing the old file only once the new one is
    // complete; on failure a message names the file and the reason and the old file stays.
    virtual BOOL OnSaveDocument(const QString& path);

    // Asks whether to save a modified document: false when the user cancels or the save
    // fails, so that whatever was to come next does not happen.
    virtual bool SaveModified();
    // Saves to `path`, or to a name chosen in the save dialog when it is empty; with
    // `replace`, the document takes the new name.
    bool DoSave(const QString& path, bool replace = true);
    bool DoFileSave();

    // The message that the file could not be written (`message` names it), with the reason
    // that the error gives.
    static void ReportNotWritten(UINT message, const QString& path, const std::error_code& error);

private:
    std::vector<CView*> m_views;
    QString m_strPathName;
    QString m_strTitle;
    bool m_bModified = false;
    CSingleDocTemplate* m_pDocTemplate = nullptr;
};
