#include <gr/gl/gles2/GL2_ShaderPlatform.h>
#include <gr/gl/gles2/GL2_State.h>
#include <gr/gl/GL_Check.h>
#include <gr/gl/GL_TextureHandle.h>
#include <gr/GraphicsException.h>
#include <lang/Format.h>
#include <GLES2/gl2.h>
#include <algorithm>
#include <cassert>
#include <cstring>

static_assert(sizeof(math::float4x4) == 16 * sizeof(float), "matrix arrays are uploaded as consecutive floats");

namespace gr
{
namespace gles2
{

namespace
{

// The info log of a shader or program; empty when the GL has none.
std::string infoLog(unsigned int object, bool program)
{
	GLint length = 0;
	if (program)
		glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
	else
		glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
	GL_CHECK();
	if (length <= 0)
		return std::string();
	std::vector<char> buf(length + 1, 0);
	GLsizei written = 0;
	if (program)
		glGetProgramInfoLog(object, length, &written, buf.data());
	else
		glGetShaderInfoLog(object, length, &written, buf.data());
	GL_CHECK();
	if (written < 0 || written > length)
		written = 0;
	return std::string(buf.data(), written);
}

// Uniform types each kind of value may be uploaded to (zero-ended).
unsigned int const FLOAT_TYPES[] = {GL_FLOAT, GL_BOOL, 0};
unsigned int const VECTOR_TYPES[] = {GL_FLOAT_VEC4, GL_BOOL_VEC4, 0};
unsigned int const MATRIX_TYPES[] = {GL_FLOAT_MAT4, 0};
unsigned int const SAMPLER_TYPES[] = {GL_SAMPLER_2D, GL_SAMPLER_CUBE, GL_INT, GL_BOOL, 0};

} // namespace

GL_Shader_Platform* GL_Shader_Platform::sm_currentPlatformShader = nullptr;

GL_Shader_Platform::GL_Shader_Platform() : m_vertexShader(0), m_pixelShader(0), m_program(0)
{
	for (int& loc : m_attribLocations)
		loc = -1;
}

GL_Shader_Platform::~GL_Shader_Platform()
{
	if (sm_currentPlatformShader == this)
		sm_currentPlatformShader = nullptr;
	if (m_vertexShader)
	{
		glDeleteShader(m_vertexShader);
		GL_CHECK();
	}
	if (m_pixelShader)
	{
		glDeleteShader(m_pixelShader);
		GL_CHECK();
	}
	if (m_program)
	{
		// A deleted program that is in use lives on in the GL until another
		// one is used; forget it in the shadow so the next use is not skipped.
		if (GL_State::sm_current.m_program == m_program)
			GL_State::useProgram(0);
		glDeleteProgram(m_program);
		GL_CHECK();
	}
}

unsigned int GL_Shader_Platform::compile(unsigned int type, std::vector<char> const& source, std::string const& path)
{
	GLuint shader = glCreateShader(type);
	GL_CHECK();
	assert(shader);

	char const* text = source.data();
	GLint length = source.empty() ? 0 : GLint(source.size() - 1);
	glShaderSource(shader, 1, &text, &length);
	GL_CHECK();
	glCompileShader(shader);
	GL_CHECK();
	GLint status = 0;
	glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
	GL_CHECK();
	if (!status)
	{
		std::string log = infoLog(shader, false);
		glDeleteShader(shader);
		GL_CHECK();
		char const* pattern = type == GL_VERTEX_SHADER ? "Failed to compile vertex shader: {0}\n\n{1}" : "Failed to compile fragment shader: {0}\n\n{1}";
		lang::throwError(GraphicsException(lang::Format(pattern, path, log)));
	}
	return shader;
}

unsigned int GL_Shader_Platform::compileVertexShader(std::vector<char> const& source, std::string const& path)
{
	return compile(GL_VERTEX_SHADER, source, path);
}

unsigned int GL_Shader_Platform::compilePixelShader(std::vector<char> const& source, std::string const& path)
{
	return compile(GL_FRAGMENT_SHADER, source, path);
}

void GL_Shader_Platform::setVertexShader(unsigned int shader)
{
	assert(!m_vertexShader && "Resetting vertex shader not implemented!");
	m_vertexShader = shader;
}

void GL_Shader_Platform::setPixelShader(unsigned int shader)
{
	assert(!m_pixelShader && "Resetting pixel shader not implemented!");
	m_pixelShader = shader;
}

void GL_Shader_Platform::createShaderProgram(unsigned int vertex, unsigned int pixel)
{
	assert(!m_program && "program linked twice");
	GLuint program = glCreateProgram();
	GL_CHECK();
	glAttachShader(program, pixel);
	GL_CHECK();
	glAttachShader(program, vertex);
	GL_CHECK();
	glLinkProgram(program);
	GL_CHECK();
	GLint status = 0;
	glGetProgramiv(program, GL_LINK_STATUS, &status);
	GL_CHECK();
	if (!status)
	{
		std::string log = infoLog(program, true);
		glDeleteProgram(program);
		GL_CHECK();
		lang::throwError(GraphicsException(lang::Format("Failed to link shader!\n\n{0}", log)));
	}

	// Validation depends on the state at the time; the result is not used.
	glValidateProgram(program);
	GL_CHECK();
	GLint valid = 0;
	glGetProgramiv(program, GL_VALIDATE_STATUS, &valid);
	GL_CHECK();

	for (int t = 0; t < VertexFormat::DT_SIZE; ++t)
	{
		m_attribLocations[t] = glGetAttribLocation(program, VertexFormat::toString(VertexFormat::DataType(t)));
		GL_CHECK();
	}

	GLint count = 0;
	glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
	GL_CHECK();
	GLint maxLength = 0;
	glGetProgramiv(program, GL_ACTIVE_UNIFORM_MAX_LENGTH, &maxLength);
	GL_CHECK();
	std::vector<char> nameBuf(maxLength > 0 ? maxLength + 1 : 256, 0);
	for (GLint i = 0; i < count; ++i)
	{
		GLsizei length = 0;
		GLint size = 0;
		GLenum type = 0;
		glGetActiveUniform(program, i, GLsizei(nameBuf.size()), &length, &size, &type, nameBuf.data());
		GL_CHECK();
		nameBuf.back() = 0;
		if (length <= 0)
			length = GLsizei(std::strlen(nameBuf.data()));
		assert(length && "length");
		std::string name(nameBuf.data(), length);
		std::string::size_type bracket = name.find('[');
		if (bracket != std::string::npos)
			name.erase(bracket);
		int location = glGetUniformLocation(program, name.c_str());
		GL_CHECK();
		m_uniforms.push_back(std::make_pair(location, name));
		if (location != -1)
			m_uniformTypes[location] = std::make_pair(unsigned(type), int(size));
	}

	m_program = program;
}

int GL_Shader_Platform::getAttribLocation(VertexFormat::DataType type) const
{
	assert(unsigned(type) < unsigned(VertexFormat::DT_SIZE));
	return m_attribLocations[type];
}

int GL_Shader_Platform::getUniformLocation(char const* name) const
{
	for (auto const& u : m_uniforms)
	{
		if (u.second == name)
			return u.first;
	}
	return -1;
}

bool GL_Shader_Platform::hasType(int location, unsigned int const* types) const
{
	auto it = m_uniformTypes.find(location);
	if (it == m_uniformTypes.end())
		return false;
	for (; *types; ++types)
	{
		if (*types == it->second.first)
			return true;
	}
	return false;
}

void GL_Shader_Platform::begin()
{
	sm_currentPlatformShader = this;

	// Vertices without colours draw in opaque white, as they do on the
	// fixed-function back end: a primitive without a colour stream leaves
	// the attribute array disabled, and the GL then reads this constant.
	int diffuse = m_attribLocations[VertexFormat::DT_DIFFUSE];
	if (diffuse != -1)
	{
		glVertexAttrib4f(GLuint(diffuse), 1.f, 1.f, 1.f, 1.f);
		GL_CHECK();
	}
}

void GL_Shader_Platform::end()
{
	sm_currentPlatformShader = nullptr;
}

void GL_Shader_Platform::setFloat(int location, float value)
{
	if (location == -1)
		return;
	float& cached = m_floatCache[location]; // a new entry holds 0
	if (cached == value || !hasType(location, FLOAT_TYPES))
		return;
	cached = value;
	glUniform1f(location, value);
	GL_CHECK();
}

void GL_Shader_Platform::setVector(int location, math::float4 const& value)
{
	if (location == -1)
		return;
	math::float4& cached = m_vectorCache[location];
	if (cached == value || !hasType(location, VECTOR_TYPES))
		return;
	cached = value;
	glUniform4f(location, value.x, value.y, value.z, value.w);
	GL_CHECK();
}

void GL_Shader_Platform::setMatrix(int location, math::float4x4 const& value)
{
	if (location == -1)
		return;
	math::float4x4& cached = m_matrixCache[location];
	bool same = true;
	for (int i = 0; i < math::float4x4::SIZE && same; ++i)
		same = cached[i] == value[i];
	if (same || !hasType(location, MATRIX_TYPES))
		return;
	cached = value;
	math::float4x4 t = value.transpose();
	glUniformMatrix4fv(location, 1, GL_FALSE, t.data());
	GL_CHECK();
}

void GL_Shader_Platform::setTexture(int location, BaseTexture const* texture, int unit)
{
	assert(unit >= 0 && unit < GL_State::TEXTURE_UNITS && "texture unit");
	if (location == -1 || unit < 0 || unit >= GL_State::TEXTURE_UNITS || !hasType(location, SAMPLER_TYPES))
		return;
	GL_State::activeTexture(GL_TEXTURE0 + unit);
	GL_State::bindTexture(GL_TEXTURE_2D, GL_textureName(texture));
	auto it = m_textureUnitCache.find(location);
	unsigned int cached = it == m_textureUnitCache.end() ? 0 : it->second;
	if (cached == unsigned(unit))
		return;
	m_textureUnitCache[location] = unit;
	glUniform1i(location, unit);
	GL_CHECK();
}

void GL_Shader_Platform::setFloat(char const* name, float value)
{
	setFloat(getUniformLocation(name), value);
}

void GL_Shader_Platform::setVector(char const* name, math::float4 const& value)
{
	setVector(getUniformLocation(name), value);
}

void GL_Shader_Platform::setMatrix(char const* name, math::float4x4 const& value)
{
	setMatrix(getUniformLocation(name), value);
}

void GL_Shader_Platform::setTexture(char const* name, BaseTexture const* texture, int unit)
{
	setTexture(getUniformLocation(name), texture, unit);
}

void GL_Shader_Platform::setMatrixArray(char const* name, math::float4x4 const* matrices, int count)
{
	int location = getUniformLocation(name);
	if (location == -1 || count <= 0 || !hasType(location, MATRIX_TYPES))
		return;
	count = std::min(count, m_uniformTypes[location].second);
	glUniformMatrix4fv(location, count, GL_FALSE, matrices[0].data());
	GL_CHECK();
}

} // gles2
} // gr
