#pragma once

#include <cstdint>

namespace framework
{

/**
 * A GL rendering context with the drawable it shows: what a host gives the
 * GL view. The view builds and rebuilds the back buffer through it and
 * presents through it. Main thread only.
 */
class GLSurface
{
public:
	/** Destroys the context (clearing it first when it is current). */
	virtual ~GLSurface() {}

	/** Makes the context current; false when that fails. */
	virtual bool makeCurrent() = 0;

	/** True when the context is the current one. */
	virtual bool isCurrent() const = 0;

	/**
	 * Builds the back buffer at the drawable's size (a colour buffer and, when
	 * the surface was made with one, a 16-bit depth buffer) with the context
	 * current. Gives the frame buffer name and the size in pixels.
	 * @return True when the frame buffer is complete.
	 */
	virtual bool createFramebuffer(uint32_t& framebuffer, int& width, int& height) = 0;

	/**
	 * The longest side in pixels a back buffer of this context can have
	 * (GLLimits::maxDrawableSize, read once with the context current).
	 */
	virtual int maxSize() const = 0;

	/** Deletes what createFramebuffer made. */
	virtual void destroyFramebuffer() = 0;

	/** Shows the finished back buffer. */
	virtual void present() = 0;
};

} // framework
