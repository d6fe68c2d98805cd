#pragma once

// The contract between the platform shell and the GL back ends: the shell
// (its views) writes these, the rendering contexts only read and call them.

#include <cstdint>

/**
 * Name of the GL frame buffer that holds the back buffer of the current GL
 * view. The platform layer writes it each time it creates (or makes current)
 * the frame buffer of a view; the rendering contexts only read it and bind it
 * when their render target is set to none. 0 while no view exists.
 */
extern uint32_t EAGLBackbufferFrameBuffer;

/**
 * Presents the back buffer of the current GL view: a buffer swap for a
 * window, a frame count for a headless view. Does nothing when no view is
 * current. Reports no failure. The shell passes it to the rendering contexts
 * as their present callback.
 */
void updateScrFunc();

namespace gr
{

/** A GL view able to show its finished back buffer. */
class GLPresenter
{
public:
	virtual ~GLPresenter() {}

	/** Shows the finished frame. */
	virtual void present() = 0;
};

/**
 * Makes presenter the target of updateScrFunc (null for none).
 * A view registers itself when its context becomes current.
 */
void setCurrentPresenter(GLPresenter* presenter);

/** The target of updateScrFunc, or null. */
GLPresenter* currentPresenter();

/** Function called each time a different GL context becomes current. */
typedef void (*GLContextHook)();

/**
 * Registers hook to run each time a different GL context becomes current
 * (the GL state shadows of the back ends reset themselves this way).
 * Registering the same hook twice has no further effect.
 */
void addContextCurrentHook(GLContextHook hook);

/** Runs every registered hook; called by the views after a context switch. */
void runContextCurrentHooks();

} // gr
