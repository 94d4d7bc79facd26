#pragma once
// The one place that includes OpenGL and GLFW. Mesa's libGL exports every
// OpenGL 3.2 core entry point, so the prototypes are used directly.

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
