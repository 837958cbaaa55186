#pragma once

// The Caps Lock, Num Lock and Scroll Lock states, as the X server tells them. Other window
// systems tell nothing: the states are then unknown.

#include <optional>

enum class KeyboardLock { Caps, Num, Scroll };

std::optional<bool> IsKeyboardLockOn(KeyboardLock lock);
