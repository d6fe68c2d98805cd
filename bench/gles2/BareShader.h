#pragma once

#include <GLES2/gl2.h>
#include <stdexcept>
#include <string>

/**
 * A shader of type compiled from text on the current GL context, for the
 * bare-GL floors the benchmarks measure the engine against.
 * @exception std::runtime_error When it does not compile.
 */
inline GLuint compileBareShader(GLenum type, std::string const& text)
{
	char const* src = text.c_str();
	GLuint shader = glCreateShader(type);
	glShaderSource(shader, 1, &src, nullptr);
	glCompileShader(shader);
	GLint ok = 0;
	glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
	if (!ok)
		throw std::runtime_error("bare shader compilation failed");
	return shader;
}
