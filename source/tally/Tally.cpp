#include "Tally.h"
#include "TallyImpl.h"

namespace tally
{

Tally::Tally() : m_impl(new TallyImpl) {}

Tally::~Tally()
{
	delete m_impl;
}

void Tally::startSession(std::string const& apiKey)
{
	m_impl->startSession(apiKey);
}

void Tally::endSession() {}

void Tally::logEvent(std::string const& name)
{
	m_impl->logEvent(name, std::map<std::string, std::string>());
}

void Tally::logEvent(std::string const& name, std::string const& parameterName, std::string const& parameterValue)
{
	m_impl->logEvent(name, std::map<std::string, std::string>{{parameterName, parameterValue}});
}

void Tally::logEvent(std::string const& name, std::map<std::string, std::string> const& parameters)
{
	m_impl->logEvent(name, parameters);
}

} // namespace tally
