#include "platform/framework/KeyboardLocks.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace {
bool IndicatorOn(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    return atom != None && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) &&
           on;
}
} // namespace

std::optional<KeyboardLockStates> ReadKeyboardLocks() {
    const auto* x11 = qGuiApp != nullptr
                          ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                          : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr) {
        return std::nullopt;
    }
    KeyboardLockStates states;
    states.capsLock = IndicatorOn(display, "Caps Lock");
    states.numLock = IndicatorOn(display, "Num Lock");
    states.scrollLock = IndicatorOn(display, "Scroll Lock");
    return states;
}
