#include "platform/framework/KeyboardLocks.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>

std::optional<bool> IsKeyboardLockOn(KeyboardLock lock) {
    const auto* x11 = qGuiApp != nullptr
                          ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                          : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr) {
        return std::nullopt;
    }
    // The indicators' names are looked up once: the status bar asks several times a second.
    static const Atom indicators[] = {XInternAtom(display, "Caps Lock", True),
                                      XInternAtom(display, "Num Lock", True),
                                      XInternAtom(display, "Scroll Lock", True)};
    const Atom indicator = indicators[static_cast<int>(lock)];
    Bool on = False;
    return indicator != None &&
           XkbGetNamedIndicator(display, indicator, nullptr, &on, nullptr, nullptr) && on;
}
