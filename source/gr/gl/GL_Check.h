#pragma once

#include "GL_Namespace.h"

// A GL error after a call of the back ends is a programming error. The check
// runs in every build (it does not depend on NDEBUG): it prints the error
// with the place of the check and aborts.
#define GL_CHECK() ::gr::GR_GL_NS::glCheckError(__FILE__, __LINE__)

namespace gr
{
namespace GR_GL_NS
{

/** Aborts with a message naming file and line when glGetError() reports an error. */
void glCheckError(char const* file, int line);

} // GR_GL_NS
} // gr
