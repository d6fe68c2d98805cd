#pragma once

#include <chrono>
#include <functional>

/**
 * The agent's background threads: each runs one body on a detached
 * lang::Thread and is counted while it runs, so that callers (tests, an
 * orderly shut-down) can wait for the agent to be idle. A body's exceptions
 * are passed to TallyUtil::handleException. The count and its lock live as
 * long as the process. Thread-safe.
 */
class TallyThreads
{
public:
	/**
	 * Starts body on a new detached thread; it should hold counted
	 * references to what it uses. When no thread can be made, the failure
	 * goes to TallyUtil::handleException and body does not run.
	 * @return Whether the thread started.
	 */
	static bool start(std::function<void()> body);

	/** The number of started threads whose body has not yet returned. */
	static int running();

	/** Waits until running() is 0. @return False when the time-out came first. */
	static bool waitUntilIdle(std::chrono::milliseconds timeout);
};
