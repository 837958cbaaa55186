#include "scene/SceneGlobals.h"

std::int32_t g_nCurrentFrame = 0;
