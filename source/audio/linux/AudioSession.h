#pragma once

#include <audio/linux/AudioSessionListener.h>
#include <string>

namespace audio
{

/**
 * The process's audio session: initialised once, with a category and an
 * active flag, and a registry of the live outputs. Interruptions stop every
 * started output and restart them at their end; nothing on Linux sends
 * them, so only tests call interrupt. Every operation may be called from
 * any thread.
 */
class AudioSession
{
public:
	/** Initialises the session once per process; later calls do nothing. */
	static void initialize();

	/** Whether initialize has run. */
	static bool isInitialized();

	/** Sets the category ("ambi" for sound that mixes with other programs). */
	static void setCategory(std::string const& category);

	/** The category; empty until set. */
	static std::string category();

	/** Activates or deactivates the session. */
	static void setActive(bool active);

	/** Whether the session is active. */
	static bool isActive();

	/**
	 * Counts an output that has started; while one is started the session
	 * has the category "ambi" (sound that mixes with other programs) and is
	 * active. Call it without holding a lock that interrupt's outputs take.
	 */
	static void outputStarted();

	/** Counts an output that has stopped; the last one deactivates the session. */
	static void outputStopped();

	/** Number of started outputs. */
	static int startedCount();

	/** Adds a live output; it must be removed before it is destroyed. */
	static void add(AudioSessionListener* listener);

	/** Removes an output; returns after any interruption that is using it. */
	static void remove(AudioSessionListener* listener);

	/**
	 * state 1: an interruption begins and every started output stops.
	 * state 0: it ends and the outputs it stopped start again.
	 * Exceptions of an output starting again are logged.
	 */
	static void interrupt(int state);

private:
	AudioSession() = delete;
};

} // audio
