#pragma once

// A context menu: the first pop-up of a menu resource, tracked at a point of the screen
// until the user chooses an item or dismisses it. Every item is enabled.

#include "platform/WinTypes.h"

#include <QPoint>

class QWidget;

// The command id of the chosen item; 0 when the menu was dismissed.
UINT TrackPopupMenu(UINT menuId, QPoint screenPoint, QWidget* owner);
