#pragma once

#include <gr/gl/GLPlatform.h>

namespace framework
{

/**
 * An off-screen OpenGL ES view: a GL context on the surfaceless EGL platform
 * (software rasteriser) drawing into a frame buffer object of width x height
 * pixels with a colour render buffer (RGBA8 unless asked for RGB 5-6-5) and,
 * unless asked not to, a 16-bit depth render buffer.
 *
 * The constructor leaves the new context current, its frame buffer bound and
 * its name in EAGLBackbufferFrameBuffer. An OpenGL ES 2.0 context is a true
 * 2.0 context (not a later version standing in for it).
 *
 * Main thread only; a view must be destroyed on the thread that created it.
 */
class HeadlessGL : public gr::GLPresenter
{
public:
	/** Client API of the context. */
	enum Api
	{
		API_GLES1 = 1,
		API_GLES2 = 2,
	};

	/** Colour format of the back buffer. */
	enum Color
	{
		COLOR_RGBA8 = 0,
		COLOR_RGB565 = 1,
	};

	/** The buffers of a view. */
	struct Format
	{
		Color color = COLOR_RGBA8;
		bool depth = true;
	};

	/**
	 * Creates the context and its frame buffer (RGBA8 colour, 16-bit depth)
	 * and makes them current. Sides longer than the context can draw
	 * (maxSize) are cut to that length.
	 * @exception lang::Exception When EGL or GL cannot provide them.
	 */
	HeadlessGL(Api api, int width, int height);

	/** As above, with the buffers of format. */
	HeadlessGL(Api api, int width, int height, Format format);

	/**
	 * Makes the context current and replaces the frame buffer by one of
	 * width x height pixels (the same format); its name goes into
	 * EAGLBackbufferFrameBuffer. A size of 0 gives a frame buffer without
	 * storage, which is incomplete.
	 * @return True when the new frame buffer is complete.
	 * @exception lang::Exception When the context cannot be made current or
	 *            the size is negative.
	 */
	bool rebuild(int width, int height);

	/** The longest side of a frame buffer the context can draw (GLLimits::maxDrawableSize). */
	int maxSize() const { return m_maxSize; }

	/**
	 * Deletes the fence of the last frame, the frame buffer and the
	 * context; clears what pointed at them.
	 */
	~HeadlessGL() override;

	/**
	 * Makes this view's context current, binds its frame buffer and stores
	 * its name in EAGLBackbufferFrameBuffer. When a different context was
	 * current before, the context-current hooks run.
	 */
	void makeCurrent();

	/** True when this view's context is the current one. */
	bool isCurrent() const;

	/**
	 * Headless present: counts the frame and keeps at most one frame in
	 * flight. Waits until the GL has drawn the previous frame presented
	 * here, then (when this view's context is current) puts a fence after
	 * this frame's commands and hands them to the GL; where EGL has no
	 * fences, waits for this frame instead (glFinish). Without the wait
	 * the software rasteriser would queue frame after frame, and the
	 * memory of each with them.
	 */
	void present() override;

	Api api() const { return m_api; }
	Format format() const { return m_format; }
	int width() const { return m_width; }
	int height() const { return m_height; }

	/** Name of the back-buffer frame buffer object (never 0). */
	uint32_t frameBuffer() const { return m_fbo; }

	/** Number of frames presented so far. */
	int frames() const { return m_frames; }

	/**
	 * Fences of presented frames not yet waited for and deleted, over all
	 * views of the process: at most one per view.
	 */
	static int pendingFences();

private:
	Api m_api;
	Format m_format;
	int m_width;
	int m_height;
	void* m_context;
	uint32_t m_fbo;
	uint32_t m_colorBuffer;
	uint32_t m_depthBuffer;
	int m_frames;
	int m_maxSize;
	/** EGLSync after the last frame presented (null: none pending). */
	void* m_fence;

	void deleteBuffers();

	/** Waits for the pending fence, if any, and deletes it. */
	void waitForPreviousFrame();

	/** Creates the buffers at the current size; returns the frame buffer status and GL error. */
	void createBuffers(unsigned& status, unsigned& error);

	HeadlessGL(HeadlessGL const&) = delete;
	HeadlessGL& operator=(HeadlessGL const&) = delete;
};

} // framework
