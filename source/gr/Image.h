#pragma once

#include <gr/ContextObject.h>
#include <gr/SurfaceFormat.h>
#include <math/float2.h>
#include <math/float3.h>
#include <math/float4.h>

namespace gr
{

class Context;
class Shader;
class Texture;

/** A drawable 2D picture backed by a texture. */
class Image : public ContextObject
{
public:
	Image() : ContextObject(CLASSID_IMAGE) {}

	/**
	 * Draws a source rectangle of the image (pixels) as a dstWidth x
	 * dstHeight quad whose top-left corner is at x, y on the screen.
	 */
	virtual void draw(Context* context, float x, float y, int srcX, int srcY, int srcWidth, int srcHeight, float dstWidth, float dstHeight) = 0;

	/**
	 * Draws the image into the screen rectangle x, y, width, height with
	 * the four given texture coordinates (top-left, top-right,
	 * bottom-left, bottom-right).
	 */
	virtual void draw(Context* context, float x, float y, float width, float height, math::float2 const* uv) = 0;

	/** Draws a textured quad of four screen positions; shader may be null. */
	virtual void draw(Context* context, math::float3 const* positions, math::float2 const* uv, Shader* shader) = 0;

	/** As above with four per-vertex colours (null: none). */
	virtual void draw(Context* context, math::float3 const* positions, math::float2 const* uv, math::float4 const* colors, Shader* shader) = 0;

	/** Forwards to the backing texture's blt. */
	virtual void blt(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, SurfaceFormat const& format) = 0;

	/** Clears the image. */
	virtual void clear() = 0;

	/** Width in pixels. */
	virtual int width() const = 0;

	/** Height in pixels. */
	virtual int height() const = 0;

	/** Pixel format. */
	virtual SurfaceFormat format() const = 0;

	/** Forwards to the backing texture's getData. */
	virtual void getData(void** data, int* size) const = 0;

	/** The backing texture; null in the base class. */
	virtual Texture* getTexture() const { return nullptr; }
};

} // gr
