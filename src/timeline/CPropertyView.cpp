#include "timeline/CPropertyView.h"

#include "app/Resource.h"

#include <QResizeEvent>

CPropertyView::CPropertyView() : CFormView(IDD_PROPERTY_FORM) {}

void CPropertyView::OnInitialUpdate() {
    CFormView::OnInitialUpdate();
}

void CPropertyView::OnUpdate(CView*, LPARAM, CObject*) {}

void CPropertyView::UpdateAnimationCombo(int) {}

void CPropertyView::UpdateCoordinates() {}

void CPropertyView::resizeEvent(QResizeEvent* event) {
    CFormView::resizeEvent(event);
}
