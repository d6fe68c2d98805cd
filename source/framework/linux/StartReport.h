#pragma once

namespace framework
{

/**
 * The shell's start report. When ENGINE_START_REPORT is set (non-empty) as
 * the shell starts, one line goes to stderr once the first frame after the
 * launch has been presented, times in ms:
 *
 *   start: before-main 21.3, gl-context 8.1, app-setup 130.2, first-frame 12.0, total 171.6
 *
 * - before-main: the process's CPU time as the shell starts (at the start
 *   of main): the dynamic loader's work and the static constructors;
 * - gl-context: wall time in starting the window system's video (without
 *   --headless) and in the host's createGLSurface (the window where there
 *   is one, the GL context and its drawable; every call until the report);
 * - app-setup: the rest of the wall time from the shell's start to the end
 *   of the launch (the flags, the platform's video, the graphics context,
 *   the application's init and activation);
 * - first-frame: wall time from the end of the launch until the first
 *   present has returned;
 * - total: their sum.
 *
 * A run that presents no frame after its launch reports nothing. Main
 * thread only.
 */
class StartReport
{
public:
	/** The shell starts: reads ENGINE_START_REPORT and notes the CPU time and the clock. */
	static void shellStarts();

	/** The host starts making a GL context; the time until glMade counts as gl-context. */
	static void glBegins();

	/** The host has made the GL context (or failed to). */
	static void glMade();

	/** The launch has returned. */
	static void launchEnds();

	/** A frame has been presented; the first after the launch prints the report. */
	static void framePresented();
};

} // framework
