#pragma once

// A view of a document: the window of a pane that shows the document and is told of its
// changes by update hints. Concrete views derive from a Qt widget and from CView.

#include "platform/framework/CCmdTarget.h"
#include "platform/framework/FrameworkIds.h"

class CDocument;
class CObject;
class QWidget;

class CView : public CCmdTarget {
public:
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    // Joins the document's views.
    void AttachDocument(CDocument* document);
    virtual QWidget& GetViewWindow() = 0;
    // Runs once the view's window sits in its pane: 0, or -1 to fail the frame's creation.
    virtual int OnCreate() { return 0; }

    // Called once the document is new or read: by default an update with hint 0.
    virtual void OnInitialUpdate();
    virtual void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) = 0;

private:
    friend class CDocument;
    CDocument* m_pDocument = nullptr;
};
