#pragma once

#include <host/Core.h>
#include <cstdint>
#include <string>

namespace tally
{
class Tally;
}

namespace host
{

/**
 * Analytics events for the scripts, logged through the analytics wrapper
 * the application prepares, and the analytics timer the scripts restart.
 * Without a wrapper the events are only printed.
 *
 * Main thread only.
 */
class Tally
{
public:
	/** No wrapper; the timer starts at 0 with no paused time. */
	explicit Tally(Core const& core);

	/** Keeps the analytics wrapper (borrowed; null turns the functions into prints). */
	void prepareTally(tally::Tally* tally);

	/** Prints and logs event. */
	void logTallyEvent(std::string const& event);

	/** Prints and logs event with one parameter. */
	void logTallyEventWithParam(std::string const& event, std::string const& name, std::string const& value);

	/** Logs event with the string-to-string pairs of the host-table entry tableName. */
	void logTallyEventWithParams(std::string const& event, std::string const& tableName);

	/** Logs event with "seconds": whole seconds since resetTimer (timerSeconds). */
	void logTallyTimerEvent(std::string const& event);

	/** Whole seconds of elapsed milliseconds, rounded half up; negative time (a clock set back) counts as 0. */
	static int timerSeconds(int64_t elapsedMs);

	/** Prints "resetTimer called" and restarts the analytics timer: start now, no paused time. */
	void resetTimer();

	/** Start of the analytics timer in milliseconds (set by "resetTimer"). */
	int64_t timerStart() const { return m_timerStart; }

	/** Sets the start of the analytics timer in milliseconds (tests). */
	void setTimerStart(int64_t ms) { m_timerStart = ms; }

	/** Paused time of the analytics timer in milliseconds. */
	int64_t timerPaused() const { return m_timerPaused; }

private:
	Core m_core;
	int64_t m_timerStart;
	int64_t m_timerPaused;
	tally::Tally* m_tally;
};

} // namespace host
