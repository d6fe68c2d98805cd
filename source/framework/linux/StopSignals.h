#pragma once

namespace framework
{

/**
 * SIGINT, SIGTERM and SIGHUP as the normal end of a run. The first one is
 * the stop request: the hosts end the run at the next frame boundary (the
 * frame under way finishes) through the normal shutdown, whose destruction
 * writes the saves. Further stop signals within GRACE_SECONDS of the first
 * are the same request: closing a terminal sends the kernel's SIGHUP and
 * the shell's together.
 *
 * A script that has not returned GRACE_SECONDS after the request is
 * interrupted by the scripts' stop (lua::LuaStop), and the run ends
 * without saving what it left: the shutdown stops the app-data writes
 * (io::AppDataOutputStream::stopWrites, one line), so the saves keep their
 * last whole version, written between two frames. A script the stop cannot reach (stuck inside one call of a
 * C function, such as a backtracking string.find, where no hook runs)
 * is still there STUCK_SECONDS later: the process ends by the request's
 * signal with one line on stderr and without saving, so the saves keep
 * what they held at their last write, a state between two frames.
 *
 * After the grace period a further SIGINT or SIGTERM (the user's repeated
 * Ctrl-C) ends the process at once by the signal's default action, also
 * during the shutdown; SIGHUP never does (a terminal going away is no one
 * asking twice). SIGPIPE is ignored: writing to a closed pipe or terminal
 * fails (EPIPE, EIO) and the run goes on.
 *
 * The grace period and the stuck period run on the process's SIGALRM
 * (alarm()), which nothing else in the program uses. The handlers only
 * touch lock-free atomics and async-signal-safe calls.
 */
class StopSignals
{
public:
	/**
	 * Seconds a frame may go on after the stop request before its script
	 * is interrupted. A frame takes milliseconds; a level load or a large
	 * save a second at most, also in the sanitizer builds, and those must
	 * finish whole. A user who pressed Ctrl-C gets an answer within a few
	 * seconds, far inside what session managers wait for (tens of seconds)
	 * before they kill.
	 */
	static constexpr unsigned GRACE_SECONDS = 3;

	/**
	 * Seconds after the interruption before a script the stop could not
	 * reach ends the process. The interrupted frame unwinds and the
	 * shutdown begins within milliseconds; the margin is for a loaded
	 * machine.
	 */
	static constexpr unsigned STUCK_SECONDS = 5;

	/** The line the process writes when it ends a stuck script unsaved. */
	static char const* const STUCK_LINE;

	/** Installs the handlers for the process (the shell's main thread, before the run). */
	static void install();

	/** True once a stop signal came. */
	static bool requested();

	/**
	 * The run's shutdown begins: the scripts' stop is withdrawn (the
	 * shutdown calls into the scripts) and is not made again; the stuck
	 * period no longer ends the process. When the stop cut a script
	 * (lua::LuaStop::cut), no app-data file is written from here on. A repeated SIGINT or SIGTERM after
	 * the grace period still does.
	 */
	static void shutdownBegins();
};

} // framework
