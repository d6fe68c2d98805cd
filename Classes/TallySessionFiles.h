#pragma once

#include <TallyDate.h>
#include <TallyStoreLock.h>
#include <cstddef>
#include <string>
#include <vector>

/**
 * The agent's stored sessions: the saved sessions' report blocks waiting to
 * be sent (oldest first), the marker that a report was once delivered, and
 * the start of the first session ever. Every read-modify-write of the saved
 * list and the creation of the initial timestamp hold the store lock
 * (TallyStoreLock), so agents of several threads and processes keep every
 * session. No operation throws: failures go to TallyUtil::handleException.
 */
class TallySessionFiles
{
public:
	/**
	 * The saved sessions' blocks together, in bytes (8 MiB), past which the
	 * oldest go (the newest always stays). Typical sessions of a few KiB
	 * never reach it before the count limit; heavy ones do, and then the
	 * stored file (Base64, about 11 MiB) stays well within the 64 MiB that
	 * TallyStorage reads back, and a report of all of them is not beyond
	 * what its 20 s request can send on an ordinary line.
	 */
	static constexpr size_t MAX_SAVED_SESSION_BYTES = size_t(8) << 20;

	/** Sets the number of saved sessions kept, held to 0..65534 (50 at start). */
	static void setMaxSessions(int maxSessions);
	static int maxSessions();

	/**
	 * The saved sessions' blocks, oldest first; empty when missing or
	 * unreadable. An unreadable file is moved aside to "<path>.bad" (logged),
	 * so that the list written next does not replace it.
	 */
	static std::vector<std::string> savedSessions();

	/** Replaces the saved list. @return Whether it was written. */
	static bool setSavedSessions(std::vector<std::string> const& sessions);

	/**
	 * Appends a session's block (of the session started at startTime) to the
	 * saved list and trims it. @return Whether the list was written.
	 */
	static bool addToSavedSessions(TallyOptionalDate startTime, std::string const& block);

	/**
	 * Drops the oldest blocks beyond maxSessions(), then the oldest while the
	 * blocks together pass MAX_SAVED_SESSION_BYTES (never the last).
	 */
	static std::vector<std::string>& removeOldSessionsIfNecessary(std::vector<std::string>& sessions);

	/** Removes each given block once (the first byte-equal one) from the saved list. */
	static void removeFromSavedSessions(std::vector<std::string> const& sent);

	/** Whether a session-start report once succeeded (the sent marker exists). */
	static bool sentSession();

	/** Creates the sent marker. */
	static void setSentSession();

	/**
	 * The start of the first session ever seen, kept on first call: then the
	 * current session's start (now when there is none).
	 */
	static TallyDate initialTimestamp(TallyOptionalDate currentStart);

	/** The lock of every read-modify-write of the saved list (for the transport). */
	static TallyStoreLock& savedSessionsLock();
};
