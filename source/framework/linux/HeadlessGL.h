#pragma once

#include <gr/gl/GLPlatform.h>

namespace framework
{

/**
 * An off-screen OpenGL ES view: a GL context on the surfaceless EGL platform
 * (software rasteriser) drawing into a frame buffer object of width x height
 * pixels with an RGBA8 colour and a 16-bit depth render buffer.
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

	/**
	 * Creates the context and its frame buffer and makes them current.
	 * @exception lang::Exception When EGL or GL cannot provide them.
	 */
	HeadlessGL(Api api, int width, int height);

	/** Deletes the frame buffer and the context; clears what pointed at them. */
	~HeadlessGL() override;

	/**
	 * Makes this view's context current, binds its frame buffer and stores
	 * its name in EAGLBackbufferFrameBuffer. When a different context was
	 * current before, the context-current hooks run.
	 */
	void makeCurrent();

	/** True when this view's context is the current one. */
	bool isCurrent() const;

	/** Headless present: counts the frame. */
	void present() override;

	Api api() const { return m_api; }
	int width() const { return m_width; }
	int height() const { return m_height; }

	/** Name of the back-buffer frame buffer object (never 0). */
	uint32_t frameBuffer() const { return m_fbo; }

	/** Number of frames presented so far. */
	int frames() const { return m_frames; }

private:
	Api m_api;
	int m_width;
	int m_height;
	void* m_context;
	uint32_t m_fbo;
	uint32_t m_colorBuffer;
	uint32_t m_depthBuffer;
	int m_frames;

	void deleteBuffers();

	HeadlessGL(HeadlessGL const&) = delete;
	HeadlessGL& operator=(HeadlessGL const&) = delete;
};

} // framework
