#pragma once

namespace framework
{

/**
 * SIGINT, SIGTERM and SIGHUP as the normal end of a run: the first one
 * asks the run to stop (the hosts end it through the normal shutdown, whose
 * destruction writes the saves) and asks the scripts' interpreters to stop
 * the code they run (lua::LuaStop), so that a script stuck in a loop ends
 * too. Once the shutdown has begun, the scripts run again; a second signal
 * at any time ends the process at once, by the signal's default action.
 *
 * The handler only stores to lock-free atomics (async-signal-safe).
 */
class StopSignals
{
public:
	/** Installs the handlers for the process (the shell's main thread, before the run). */
	static void install();

	/** True once a stop signal came. */
	static bool requested();

	/**
	 * The run's shutdown begins: the scripts' stop request is withdrawn
	 * (the shutdown calls into the scripts), and a signal that comes now no
	 * longer asks the scripts to stop; a second one still ends the process.
	 */
	static void shutdownBegins();
};

} // framework
