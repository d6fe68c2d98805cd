#pragma once

#include <gr/gl/GL_VertexStreams.h>

namespace gr
{
namespace gles2
{

class GL_Shader_Platform;

/**
 * The vertex components of a primitive as the generic vertex attributes of
 * the current program (GL_Shader_Platform::sm_currentPlatformShader, which
 * must be set): a component the program has no location for is left out;
 * the 1-byte types are normalised; binary16 components go as such where
 * the GL takes them (GL_OES_vertex_half_float). finish() leaves exactly
 * the attribute arrays of the draw enabled; they stay enabled after it, so
 * that the next draw of the same components leaves the GL's vertex input
 * as it is.
 */
class GL_AttribStreams : public gl::GL_VertexStreams
{
public:
	void begin(gl::GL_PrimitiveHost& host) override;
	void attach(gl::GL_VertexStream const& stream) override;
	void finish(Primitive const& primitive) override;
	void end() override;

private:
	gl::GL_PrimitiveHost* m_host = nullptr;
	GL_Shader_Platform* m_program = nullptr;

	/** Attribute arrays of the draw, bit i for index i. */
	unsigned int m_arrays = 0;
};

} // gles2
} // gr
