#pragma once

#include <map>
#include <string>
#include <vector>

namespace tally
{

/**
 * What the wrapper hands its calls to. This one records them in memory; the
 * implementation over the analytics agent takes its place. Main thread only.
 */
class TallyImpl
{
public:
	/** One logged event. */
	struct Event
	{
		std::string name;
		std::map<std::string, std::string> params;
	};

	void startSession(std::string const& key) { m_key = key; }
	void logEvent(std::string const& event, std::map<std::string, std::string> const& params) { m_events.push_back({event, params}); }

	/** The key of the latest session ("" before). */
	std::string const& sessionKey() const { return m_key; }

	/** The events logged, in order. */
	std::vector<Event> const& events() const { return m_events; }

private:
	std::string m_key;
	std::vector<Event> m_events;
};

} // tally
