#include "Tally.h"
#include "TallyImpl.h"

namespace tally
{

Tally::Tally() :
	m_impl(new TallyImpl())
{
}

Tally::~Tally()
{
	delete m_impl;
}

void Tally::startSession(std::string const& key)
{
	m_impl->startSession(key);
}

void Tally::endSession()
{
}

void Tally::logEvent(std::string const& event)
{
	m_impl->logEvent(event, std::map<std::string, std::string>());
}

void Tally::logEvent(std::string const& event, std::string const& name, std::string const& value)
{
	m_impl->logEvent(event, {{name, value}});
}

void Tally::logEvent(std::string const& event, std::map<std::string, std::string> const& params)
{
	m_impl->logEvent(event, params);
}

} // tally
