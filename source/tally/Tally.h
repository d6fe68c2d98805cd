#pragma once

#include <lang/Object.h>
#include <map>
#include <string>

namespace tally
{

class TallyImpl;

/**
 * The engine's wrapper over the analytics agent: starts the session and
 * logs events with text parameters. Main thread only.
 */
class Tally : public lang::Object
{
public:
	Tally();
	~Tally() override;

	/** Starts the session with the application key. */
	void startSession(std::string const& key);

	/** No effect: the agent ends its session by itself. */
	void endSession();

	/** Logs event with no parameters (an empty map). */
	void logEvent(std::string const& event);

	/** Logs event with the one parameter name = value. */
	void logEvent(std::string const& event, std::string const& name, std::string const& value);

	/** Logs event with params. */
	void logEvent(std::string const& event, std::map<std::string, std::string> const& params);

private:
	TallyImpl* m_impl;

	Tally(Tally const&) = delete;
	Tally& operator=(Tally const&) = delete;
};

} // tally
