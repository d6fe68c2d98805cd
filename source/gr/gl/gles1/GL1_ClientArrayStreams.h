#pragma once

#include <gr/gl/GL_VertexStreams.h>

namespace gr
{
namespace gles1
{

/**
 * The vertex components of a primitive as the fixed-function client arrays
 * (vertex, normal, colour and a texture coordinate array per unit), enabled
 * for the draw and disabled after it. finish() loads each used texture
 * unit's texture matrix with the primitive's texture coordinate scale and
 * bias (the identity when it has none).
 */
class GL_ClientArrayStreams : public gl::GL_VertexStreams
{
public:
	void begin(gl::GL_PrimitiveHost& host) override;
	void attach(gl::GL_VertexStream const& stream) override;
	void finish(Primitive const& primitive) override;
	void end() override;

private:
	/** Arrays enabled by this draw: vertex, normal, colour, texture coordinates. */
	bool m_enabledArrays[4] = {};

	/** Texture units up to the last one given coordinates. */
	int m_texLayers = 0;
};

} // gles1
} // gr
