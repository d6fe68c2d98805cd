#pragma once

// The shared GL_* sources are compiled once per back end; the build defines
// GR_GLES as 1 or 2 and GR_GL_NS names the back end's namespace inside gr.
// GL1_* and GL2_* sources name their namespace directly.
#if GR_GLES == 1
#define GR_GL_NS gles1
#elif GR_GLES == 2
#define GR_GL_NS gles2
#else
#error "GR_GLES must be defined as 1 or 2 when building the shared GL sources"
#endif
