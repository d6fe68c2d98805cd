#pragma once

#include <cstdint>
#include <string>

namespace audio
{

/**
 * The clock that sound follows where the run is not on the wall clock: a
 * headless run starts it and moves it by each tick of its own clock, and the
 * sound outputs made while it runs mix exactly each tick's share on the
 * main thread instead of streaming to a device at the real rate. So the
 * sound lines up with the frames and two runs give the same samples.
 * Process-wide; main thread only.
 */
class SoundClock
{
public:
	/** What follows the clock (an output's mixing, a recording). */
	class Listener
	{
	public:
		/** The clock moved forward; micros is its time since start. */
		virtual void soundClockMoved(int64_t micros) = 0;

		/** The clock stopped; the listener is no longer told anything. */
		virtual void soundClockStopped() = 0;

	protected:
		~Listener() = default;
	};

	/**
	 * Starts the clock at 0 (stopping it first when it runs).
	 * @param waveFile Where the sound that follows it is recorded as a wave
	 *        file ("": nowhere).
	 */
	static void start(std::string const& waveFile);

	/** Tells the listeners it stopped and forgets them; nothing when it does not run. */
	static void stop();

	/** Whether it runs. */
	static bool running();

	/** Its time since start in microseconds (0 when it does not run). */
	static int64_t now();

	/** The wave file given to start. */
	static std::string waveFile();

	/** Moves it forward by micros (nothing for 0 or less, or when it does not run) and tells the listeners. */
	static void advance(int64_t micros);

	/** Adds a listener (borrowed; once) while the clock runs; nothing otherwise. */
	static void add(Listener* listener);

	/** Removes a listener; nothing when it is not there. */
	static void remove(Listener* listener);
};

} // audio
