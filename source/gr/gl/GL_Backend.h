#pragma once

// The GL API and the state shadow of the back end a shared GL_* source is
// compiled for (GR_GLES, see GL_Namespace.h): OpenGL ES 2.0 or the
// fixed-function OpenGL ES 1.1.
#include "GL_Namespace.h"

#if GR_GLES == 2
#include <gr/gl/gles2/GL2_State.h>
#include <GLES2/gl2.h>
#else
#include <gr/gl/gles1/GL1_State.h>
#include <GLES/gl.h>
#endif
