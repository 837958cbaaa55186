#pragma once

// The OpenGL compatibility API with the entry points past 1.1 (buffer objects, framebuffer
// objects, separate blending of alpha) declared for direct linking against libOpenGL.

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
