#include "platform/framework/CView.h"

#include "platform/framework/CDocument.h"

CView::~CView() {
    if (m_pDocument != nullptr) {
        m_pDocument->RemoveView(this);
    }
}

void CView::AttachDocument(CDocument* document) {
    if (document != nullptr) {
        document->AddView(this);
    }
}

void CView::OnInitialUpdate() {
    OnUpdate(nullptr, 0, nullptr);
}
