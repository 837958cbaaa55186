#pragma once

// A toolbar of the frame's command actions: buttons with a small image and a label under it. The
// resource "toolbar<id>" lists the items in order, a command id and an image index each, or 0 for a
// separator; the images are the 16 x 15 cells of the strip ":/res/toolbar<id>.xpm", left to right.
// The toolbar stays at the top of the frame.

#include "platform/WinTypes.h"

#include <QRect>
#include <QSize>
#include <QToolBar>

#include <vector>

class CFrameWnd;
class QAction;

class CToolBar : public QToolBar {
public:
    static constexpr QSize ImageSize{16, 15};

    CToolBar();
    bool CreateEx(CFrameWnd* frame, UINT id);
    bool LoadToolBar(UINT resourceId);

    int GetCount() const { return static_cast<int>(m_items.size()); }
    // The command of an item, 0 for a separator or an index out of range.
    UINT GetItemID(int index) const;
    void SetButtonText(int index, const QString& text);
    // The item's rectangle in the toolbar's client coordinates; empty for an index out of
    // range.
    QRect GetItemRect(int index) const;
    // Gives every button the same size.
    void SetButtonSize(QSize size);

private:
    struct Item {
        UINT id;
        QAction* action;
    };
    CFrameWnd* m_pFrame = nullptr;
    std::vector<Item> m_items;
};
