#pragma once

#include <gr/BaseTexture.h>
#include <gr/Rect.h>
#include <gr/SurfaceFormat.h>
#include <string>

namespace gr
{


/** A 2D texture created by a rendering context. */
class Texture : public BaseTexture
{
public:
	Texture() : BaseTexture(CLASSID_TEXTURE) {}

	/** Width in pixels. */
	virtual int width() const = 0;

	/** Height in pixels. */
	virtual int height() const = 0;

	/** Pixel format. */
	virtual SurfaceFormat format() const = 0;

	/**
	 * Copies a rectangle of caller pixels into one mip level of the
	 * texture at x, y, converting from the given format as needed.
	 * @param pitch bytes from one source row to the next.
	 */
	virtual void blt(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, SurfaceFormat const& format) = 0;

	/** Clears the texture. */
	virtual void clear() = 0;

	/** The texture's rectangle 0, 0, width, height. */
	virtual Rect rect() const = 0;

	/** Gives the pixel data and its size in bytes. */
	virtual void getData(void** data, int* size) const = 0;

	/** The texture's name (the file name for loaded textures). */
	virtual std::string const& getName() const = 0;

	/** Sets the texture's name. */
	virtual void setName(std::string const& name) = 0;
};

} // gr
