#pragma once

// Process-wide scene state that every view reads.

#include <cstdint>

// The frame shown and edited; written only by the timeline pane.
extern std::int32_t g_nCurrentFrame;
