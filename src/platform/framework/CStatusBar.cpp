#include "platform/framework/CStatusBar.h"

#include "platform/framework/CFrameWnd.h"
#include "platform/framework/FrameworkIds.h"
#include "platform/framework/Resources.h"

#include <QFontMetrics>
#include <QLabel>

bool CStatusBar::Create(CFrameWnd* frame, UINT id) {
    if (frame == nullptr) {
        return false;
    }
    frame->setStatusBar(this);
    frame->AddControlBar(id, this);
    frame->SetStatusBar(this);
    return true;
}

bool CStatusBar::SetIndicators(const std::vector<UINT>& ids) {
    for (const UINT id : ids) {
        auto* pane = new QLabel(this);
        if (id == ID_SEPARATOR) {
            pane->setText(Resources::LoadString(AFX_IDS_IDLEMESSAGE));
            addWidget(pane, 1);
            continue;
        }
        const QString text = Resources::LoadString(id);
        if (text.isEmpty()) {
            return false;
        }
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(text) + 8);
        addPermanentWidget(pane);
        m_indicators.emplace_back(id, pane);
    }
    return true;
}

void CStatusBar::UpdateIndicators(const CFrameWnd& frame) {
    for (const auto& [id, pane] : m_indicators) {
        pane->setText(frame.QueryCommandState(id).m_bEnabled ? Resources::LoadString(id)
                                                             : QString());
    }
}
