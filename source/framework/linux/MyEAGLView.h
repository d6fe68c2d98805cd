#pragma once

#include <gr/gl/GLPlatform.h>
#include <cstdint>
#include <memory>
#include <vector>

namespace framework
{

class GLSurface;
class Host;

/**
 * The full-screen GL view the rendering contexts draw into: picks the
 * OpenGL ES version from a renderer list, owns the GL context and builds
 * the back buffer (colour, and depth on request), rebuilds it on each
 * layout and presents it. Main thread only.
 */
class MyEAGLView : public gr::GLPresenter
{
public:
	/**
	 * A view of width x height points: colour bits 32 give RGBA8, anything
	 * else RGB 5-6-5; depth adds a 16-bit depth buffer. Walks renderers in
	 * order (0 OpenGL ES 1.1, 1 OpenGL ES 2.0, others skipped); the first
	 * one the host can make is selected. Leaves the context current with
	 * its back buffer built.
	 * @return Null when the context cannot be made current.
	 * @exception lang::Exception "No renderer was chosen" when none of the
	 *            list can be made.
	 */
	static std::unique_ptr<MyEAGLView> initWithFrameAndParameters(Host& host, int width, int height, int colorBits,
		bool depth, std::vector<int> const& renderers);

	/** Clears the current context when it is this view's, then destroys it. */
	~MyEAGLView() override;

	/** Makes the context current, destroys the back buffer and builds it again. */
	void layoutSubviews();

	/**
	 * Makes the context current, binds the back buffer and makes the present
	 * handler (else this view) the target of updateScrFunc.
	 */
	void makeCurrent();

	/** Builds the back buffer; false (with a log line) when it is incomplete or the renderer unknown. */
	bool createFramebuffer();

	/** Deletes the back buffer. */
	void destroyFramebuffer();

	/** Shows the back buffer. */
	void present() override;

	/** Where updateScrFunc goes while this view is current (null: the view itself). */
	void setPresentHandler(gr::GLPresenter* handler) { m_presentHandler = handler; }

	GLSurface* context() const { return m_context.get(); }
	int selectedRenderer() const { return m_selectedRenderer; }
	void setSelectedRenderer(int renderer) { m_selectedRenderer = renderer; }
	bool useDepth() const { return m_useDepth; }

	/** True while the back buffer is complete (frames may be drawn). */
	bool framebufferComplete() const { return m_complete; }

	uint32_t viewFramebuffer() const { return m_viewFramebuffer; }
	int backingWidth() const { return m_backingWidth; }
	int backingHeight() const { return m_backingHeight; }

private:
	std::unique_ptr<GLSurface> m_context;
	int m_selectedRenderer = 0;
	bool m_useDepth = false;
	bool m_complete = false;
	uint32_t m_viewFramebuffer = 0;
	int m_backingWidth = 0;
	int m_backingHeight = 0;
	gr::GLPresenter* m_presentHandler = nullptr;

	MyEAGLView() = default;
};

} // framework
