#include <gr/gl/gles1/GL1_ClientArrayStreams.h>
#include <gr/gl/gles1/GL1_State.h>
#include <gr/gl/GL_Check.h>
#include <math/float4x4.h>
#include <GLES/gl.h>

namespace gr
{
namespace gles1
{


void GL_ClientArrayStreams::begin(gl::GL_PrimitiveHost&)
{
	for (bool& enabled : m_enabledArrays)
		enabled = false;
	m_texLayers = 0;
}

void GL_ClientArrayStreams::attach(gl::GL_VertexStream const& stream)
{
	int const dim = stream.dim;
	GLenum const type = stream.type;
	int const pitch = stream.pitch;
	void const* const pointer = stream.pointer;
	VertexFormat::DataType const dt = stream.dataType;
	switch (dt)
	{
	case VertexFormat::DT_POSITION:
		GL_State::enableClientState(GL_VERTEX_ARRAY);
		glVertexPointer(dim, type, pitch, pointer);
		GL_CHECK();
		m_enabledArrays[0] = true;
		break;
	case VertexFormat::DT_NORMAL:
		GL_State::enableClientState(GL_NORMAL_ARRAY);
		glNormalPointer(type, pitch, pointer);
		GL_CHECK();
		m_enabledArrays[1] = true;
		break;
	case VertexFormat::DT_DIFFUSE:
		GL_State::enableClientState(GL_COLOR_ARRAY);
		glColorPointer(dim, type, pitch, pointer);
		GL_CHECK();
		m_enabledArrays[2] = true;
		break;
	case VertexFormat::DT_TEX0:
	case VertexFormat::DT_TEX1:
	case VertexFormat::DT_TEX2:
	case VertexFormat::DT_TEX3:
	{
		unsigned int const unit = GL_TEXTURE0 + (dt - VertexFormat::DT_TEX0);
		if (GL_State::sm_current.m_clientActiveTexture != unit)
		{
			GL_State::sm_current.m_clientActiveTexture = unit;
			glClientActiveTexture(unit);
			GL_CHECK();
		}
		GL_State::enableClientState(GL_TEXTURE_COORD_ARRAY);
		glTexCoordPointer(dim, type, pitch, pointer);
		GL_CHECK();
		m_enabledArrays[3] = true;
		m_texLayers = dt - VertexFormat::DT_TEX0 + 1;
		break;
	}
	default:
		break;
	}
}

void GL_ClientArrayStreams::finish(Primitive const& primitive)
{
	for (int layer = 0; layer < m_texLayers; ++layer)
	{
		math::float4x4 tm(1.f);
		if (!primitive.vertexTextureCoordinateScaleBiasIsIdentity())
		{
			math::float4 const& sb = primitive.vertexTextureCoordinateScaleBias();
			tm[0] = sb.x;
			tm[5] = sb.x;
			tm[3] = sb.y;
			tm[7] = sb.z;
		}
		GL_State::activeTexture(GL_TEXTURE0 + layer);
		GL_State::matrixMode(GL_TEXTURE);
		GL_State::loadMatrixf(tm);
	}
}

void GL_ClientArrayStreams::end()
{
	if (m_enabledArrays[0])
		GL_State::disableClientState(GL_VERTEX_ARRAY);
	if (m_enabledArrays[1])
		GL_State::disableClientState(GL_NORMAL_ARRAY);
	if (m_enabledArrays[2])
		GL_State::disableClientState(GL_COLOR_ARRAY);
	if (m_enabledArrays[3])
		GL_State::disableClientState(GL_TEXTURE_COORD_ARRAY);
}

} // gles1
} // gr
