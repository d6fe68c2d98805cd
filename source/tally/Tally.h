#pragma once

#include <lang/Object.h>
#include <map>
#include <string>

namespace tally
{

class TallyImpl;

/**
 * The engine's usage reporting: starts the analytics agent's session with
 * the application key (reports over secure transport, sent when a session
 * starts) and logs named events with text parameters. No operation throws:
 * the agent's failures stay inside it. Main thread only.
 */
class Tally : public lang::Object
{
public:
	/** Switches the agent's secure transport on. */
	Tally();
	~Tally() override;

	/** Starts the agent's session; reports on close and on pause are switched off. */
	void startSession(std::string const& apiKey);

	/** Nothing: the agent ends its session with the application. */
	void endSession();

	/** The event with no parameters (an empty map). */
	void logEvent(std::string const& name);

	/** The event with one parameter. */
	void logEvent(std::string const& name, std::string const& parameterName, std::string const& parameterValue);

	/** The event with the parameters. */
	void logEvent(std::string const& name, std::map<std::string, std::string> const& parameters);

private:
	TallyImpl* m_impl;

	Tally(Tally const&) = delete;
	Tally& operator=(Tally const&) = delete;
};

} // namespace tally
