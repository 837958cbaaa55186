#pragma once

// The key-state flags that mouse handlers receive, taken from a Qt mouse or wheel event: the
// buttons held and the Shift and Ctrl keys.

#include <QInputEvent>
#include <QMouseEvent>

enum MouseFlag : unsigned int {
    MK_LBUTTON = 0x1,
    MK_RBUTTON = 0x2,
    MK_SHIFT = 0x4,
    MK_CONTROL = 0x8,
    MK_MBUTTON = 0x10,
};

inline unsigned int MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    unsigned int flags = 0;
    flags |= buttons.testFlag(Qt::LeftButton) ? MK_LBUTTON : 0u;
    flags |= buttons.testFlag(Qt::RightButton) ? MK_RBUTTON : 0u;
    flags |= buttons.testFlag(Qt::MiddleButton) ? MK_MBUTTON : 0u;
    flags |= modifiers.testFlag(Qt::ShiftModifier) ? MK_SHIFT : 0u;
    flags |= modifiers.testFlag(Qt::ControlModifier) ? MK_CONTROL : 0u;
    return flags;
}

inline unsigned int MouseFlags(const QSinglePointEvent& event) {
    return MouseFlags(event.buttons(), event.modifiers());
}
