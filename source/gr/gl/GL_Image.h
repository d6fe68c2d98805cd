#pragma once

#include "GL_Texture.h"
#include <gr/Image.h>
#include <lang/Ptr.h>

namespace gr
{
namespace gl
{

class GL_ContextBase;

/**
 * A drawable picture of the GL back end: one texture plus the operations
 * that turn a draw request into four corners in normalised device
 * coordinates for the context's 2D batcher. Every draw uses the image's own
 * context (its 2D render state, size and batcher); the context argument of
 * the draw calls is not read.
 *
 * Main thread only, with the GL context current.
 */
class GL_Image : public Image
{
public:
	/**
	 * Creates the image's texture through the context.
	 * @param context The creating context, not owned; must outlive the image.
	 * @exception GraphicsException When the texture cannot be created.
	 */
	GL_Image(GL_ContextBase* context, int width, int height, int mipLevels, SurfaceFormat const& format, int usage);

	/** Flushes the batch first when it draws this image. */
	~GL_Image() override;

	/** Source rectangle (texture pixels) as a dstWidth x dstHeight quad at x, y, through the 2D state. */
	void draw(Context* context, float x, float y, int srcX, int srcY, int srcWidth, int srcHeight, float dstWidth, float dstHeight) override;

	/** width x height quad at x, y with the given texture coordinates, through the 2D state. */
	void draw(Context* context, float x, float y, float width, float height, math::float2 const* uv) override;

	/** Quad of four pixel positions (2D state not applied). */
	void draw(Context* context, math::float3 const* positions, math::float2 const* uv, Shader* shader) override;

	/** As above with four colours (0..255 per channel; null: none). */
	void draw(Context* context, math::float3 const* positions, math::float2 const* uv, math::float4 const* colors, Shader* shader) override;

	void blt(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, SurfaceFormat const& format) override;

	/** Not supported: a fatal assertion. */
	void clear() override;

	void lock(LockType type) override;
	void unlock() override;

	/** The size asked for at construction. */
	int width() const override { return m_width; }
	int height() const override { return m_height; }

	SurfaceFormat format() const override;
	void getData(void** data, int* size) const override;
	Texture* getTexture() const override { return m_texture; }

private:
	GL_ContextBase* m_context;
	lang::Ptr<Texture> m_texture;
	int m_width;
	int m_height;

	void drawRect(float x, float y, float w, float h, math::float2 const* uv, bool worldSpaceAllowed);
	Shader* defaultShader(bool followAlpha) const;

	GL_Image(GL_Image const&) = delete;
	GL_Image& operator=(GL_Image const&) = delete;
};

} // gl
} // gr
