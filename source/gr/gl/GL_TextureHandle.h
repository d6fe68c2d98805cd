#pragma once

#include <gr/BaseTexture.h>

namespace gr
{
namespace gl
{

/**
 * What the shaders of the back ends need of a texture: the name of its GL
 * texture object. The GL textures implement it beside gr::Texture.
 */
class GL_TextureHandle
{
public:
	virtual ~GL_TextureHandle() {}

	/** The GL texture name; 0 when no GL texture is allocated. */
	virtual unsigned int glTextureName() const = 0;
};

/** GL texture name of texture; 0 for null or a texture of no GL back end. */
inline unsigned int GL_textureName(BaseTexture const* texture)
{
	GL_TextureHandle const* handle = dynamic_cast<GL_TextureHandle const*>(texture);
	return handle ? handle->glTextureName() : 0;
}

} // gl
} // gr
