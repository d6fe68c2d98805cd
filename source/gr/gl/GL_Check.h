#pragma once

// A GL error after a call of the back ends is a programming error. The check
// runs in every build (it does not depend on NDEBUG): it prints the error
// with the place of the check and aborts.
#define GL_CHECK() ::gr::gl::glCheckError(__FILE__, __LINE__)

namespace gr
{
namespace gl
{

/** Aborts with a message naming file and line when glGetError() reports an error. */
void glCheckError(char const* file, int line);

} // gl
} // gr
