#include <gr/gl/gles2/GL2_AttribStreams.h>
#include <gr/gl/gles2/GL2_ShaderPlatform.h>
#include <gr/gl/gles2/GL2_State.h>
#include <gr/gl/GL_Check.h>
#include <GLES2/gl2.h>
#include <cassert>

namespace gr
{
namespace gles2
{

namespace
{

const unsigned int HALF_FLOAT_OES = 0x8D61;

bool isHalfFloat(VertexFormat::DataFormat df)
{
	return df == VertexFormat::DF_V2_16F || df == VertexFormat::DF_V3_16F || df == VertexFormat::DF_V4_16F;
}

} // namespace


void GL_AttribStreams::begin(gl::GL_PrimitiveHost& host)
{
	m_host = &host;
	m_program = GL_Shader_Platform::sm_currentPlatformShader;
	assert(m_program && "a shader pass must be active");
	m_arrays = 0;
}

void GL_AttribStreams::attach(gl::GL_VertexStream const& stream)
{
	int const location = m_program->getAttribLocation(stream.dataType);
	if (location == -1)
		return;
	GLenum type = stream.type;
	// binary16 components are passed as such where the GL takes them.
	if (isHalfFloat(stream.dataFormat) && m_host->isExtensionSupported("GL_OES_vertex_half_float"))
		type = HALF_FLOAT_OES;
	bool const normalized = type == GL_BYTE || type == GL_UNSIGNED_BYTE;
	assert(location < 32 && "attribute index");
	glVertexAttribPointer(GLuint(location), stream.dim, type, normalized ? GL_TRUE : GL_FALSE, stream.pitch, stream.pointer);
	GL_CHECK();
	m_arrays |= 1u << location;
}

void GL_AttribStreams::finish(Primitive const&)
{
	GL_State::vertexAttribArrays(m_arrays);
}

void GL_AttribStreams::end()
{
}

} // gles2
} // gr
