#include "platform/framework/CPopupMenu.h"

#include "platform/framework/CCommandTable.h"
#include "platform/framework/Resources.h"

#include <QAction>
#include <QMenu>

UINT TrackPopupMenu(UINT menuId, QPoint screenPoint, QWidget* owner) {
    const std::vector<Resources::MenuPopup> popups = Resources::LoadMenu(menuId);
    if (popups.empty()) {
        return 0;
    }
    QMenu menu(owner);
    for (const UINT id : popups.front().items) {
        if (id == 0) {
            menu.addSeparator();
        } else {
            menu.addAction(CCommandTable::Find(id).text)->setData(id);
        }
    }
    const QAction* chosen = menu.exec(screenPoint);
    return chosen != nullptr ? chosen->data().toUInt() : 0;
}
