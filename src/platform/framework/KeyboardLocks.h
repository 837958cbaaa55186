#pragma once

// The Caps Lock, Num Lock and Scroll Lock states, as the X server tells them. Other window
// systems tell nothing: the states are then unknown.

#include <optional>

struct KeyboardLockStates {
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;
};

std::optional<KeyboardLockStates> ReadKeyboardLocks();
