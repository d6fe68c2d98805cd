#pragma once

#include <map>
#include <string>

namespace tally
{

/**
 * The agent's side of tally::Tally, one per platform (tally/linux). Every
 * operation catches whatever the agent raises. Main thread only.
 */
class TallyImpl
{
public:
	/** Switches the agent's secure transport on. */
	TallyImpl();
	virtual ~TallyImpl();

	/** The agent's startSession, then reports on close and on pause off. */
	void startSession(std::string const& apiKey);

	/** Logs the event with the map (an empty map, not none, when there are no parameters). */
	void logEvent(std::string const& name, std::map<std::string, std::string> const& parameters);
};

} // namespace tally
