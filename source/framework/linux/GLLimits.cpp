#include "GLLimits.h"
#include <GLES2/gl2.h>
#include <climits>
#include <initializer_list>

namespace framework
{

int GLLimits::maxDrawableSize()
{
	GLint renderbuffer = 0, texture = 0;
	GLint viewport[2] = {0, 0};
	glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
	glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
	glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
	while (glGetError() != GL_NO_ERROR)
	{
	}
	int limit = INT_MAX;
	for (GLint value : {renderbuffer, texture, viewport[0], viewport[1]})
	{
		if (value > 0 && value < limit)
			limit = value;
	}
	return limit;
}

} // framework
