#pragma once

namespace framework
{

/** What the current GL context can draw. */
struct GLLimits
{
	/**
	 * The longest side in pixels of a back buffer the current context can
	 * make and draw all of: the least of its largest render buffer, its
	 * largest texture (a capture reads the frame into one) and its largest
	 * viewport. Limits a context does not report (an OpenGL ES 1.1 context
	 * without frame buffer objects) are left out; the GL error they raise
	 * is cleared. A context current is required.
	 */
	static int maxDrawableSize();
};

} // framework
