#pragma once

// How long a test waits for what comes in its own time before it gives up: a timer's tick, a
// window that the window system shows, activates or raises, a program that starts or ends.
// Far more than any of these takes on a loaded machine; a wait ends as soon as what it waits
// for has come, so that only a failing test waits this long.
constexpr int PatienceMs = 30000;
