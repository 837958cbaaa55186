#include "platform/framework/CToolBar.h"

#include "platform/framework/CCommandTable.h"
#include "platform/framework/CFrameWnd.h"
#include "platform/framework/Resources.h"

#include <QAction>
#include <QEvent>
#include <QPixmap>

namespace {

// Swallows the tooltips of the buttons it watches: Qt would show the menu text of a command
// that has no tooltip.
class ToolTipBlocker : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

} // namespace

CToolBar::CToolBar() {
    setMovable(false);
    setFloatable(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(ImageSize);
}

bool CToolBar::CreateEx(CFrameWnd* frame, UINT id) {
    if (frame == nullptr) {
        return false;
    }
    m_pFrame = frame;
    setObjectName(QStringLiteral("toolbar%1").arg(id));
    frame->addToolBar(Qt::TopToolBarArea, this);
    frame->AddControlBar(id, this);
    return true;
}

bool CToolBar::LoadToolBar(UINT resourceId) {
    const QPixmap strip(QStringLiteral(":/res/toolbar%1.xpm").arg(resourceId));
    const std::vector<QStringList> rows =
        Resources::LoadTable(QStringLiteral("toolbar%1").arg(resourceId));
    if (m_pFrame == nullptr || strip.isNull() || rows.empty()) {
        return false;
    }
    for (const QStringList& row : rows) {
        const UINT id = row.value(0).toUInt();
        QAction* action = id == 0 ? addSeparator() : m_pFrame->GetCommandAction(id);
        if (action == nullptr) {
            return false;
        }
        if (id != 0) {
            const int image = row.value(1).toInt();
            action->setIcon(
                QIcon(strip.copy(QRect(QPoint(image * ImageSize.width(), 0), ImageSize))));
            addAction(action);
            if (CCommandTable::Find(id).ToolTip().isEmpty()) {
                widgetForAction(action)->installEventFilter(new ToolTipBlocker(this));
            }
        }
        m_items.push_back({id, action});
    }
    return true;
}

UINT CToolBar::GetItemID(int index) const {
    return index >= 0 && index < GetCount() ? m_items[static_cast<std::size_t>(index)].id : 0;
}

void CToolBar::SetButtonText(int index, const QString& text) {
    if (GetItemID(index) != 0) {
        m_items[static_cast<std::size_t>(index)].action->setIconText(text);
    }
}

QRect CToolBar::GetItemRect(int index) const {
    if (index < 0 || index >= GetCount()) {
        return QRect();
    }
    const QWidget* button = widgetForAction(m_items[static_cast<std::size_t>(index)].action);
    if (button == nullptr) {
        return QRect();
    }
    // Until the toolbar is first laid out its buttons have no place yet, only the size
    // that they will take.
    return testAttribute(Qt::WA_WState_Visible) || isVisible()
               ? button->geometry()
               : QRect(button->pos(), button->sizeHint());
}

void CToolBar::SetButtonSize(QSize size) {
    for (const Item& item : m_items) {
        if (QWidget* button = item.id != 0 ? widgetForAction(item.action) : nullptr) {
            button->setFixedSize(size);
        }
    }
}
