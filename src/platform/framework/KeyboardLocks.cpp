#include "platform/framework/KeyboardLocks.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

namespace {
bool IndicatorOn(Display* display, Atom indicator) {
    Bool on = False;
    return indicator != None &&
           XkbGetNamedIndicator(display, indicator, nullptr, &on, nullptr, nullptr) && on;
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
    // The indicators' names are looked up once: the status bar asks several times a second.
    static const Atom caps = XInternAtom(display, "Caps Lock", True);
    static const Atom num = XInternAtom(display, "Num Lock", True);
    static const Atom scroll = XInternAtom(display, "Scroll Lock", True);
    KeyboardLockStates states;
    states.capsLock = IndicatorOn(display, caps);
    states.numLock = IndicatorOn(display, num);
    states.scrollLock = IndicatorOn(display, scroll);
    return states;
}
