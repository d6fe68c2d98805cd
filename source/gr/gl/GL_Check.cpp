#include "GL_Check.h"
#include <GLES2/gl2.h>
#include <cstdio>
#include <cstdlib>

namespace gr
{
namespace gl
{

void glCheckError(char const* file, int line)
{
	GLenum err = glGetError();
	if (err != GL_NO_ERROR)
	{
		std::fprintf(stderr, "%s:%d: glGetError() == GL_NO_ERROR failed (GL error 0x%04X)\n", file, line, unsigned(err));
		std::abort();
	}
}

} // gl
} // gr
