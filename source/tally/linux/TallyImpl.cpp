// The wrapper's calls recorded in memory, in place of the analytics agent's
// facade, which is built separately and replaces this file.
#include <tally/TallyImpl.h>
#include <vector>

namespace tally
{

namespace
{

struct Recorded
{
	std::string name;
	std::map<std::string, std::string> parameters;
};

std::string s_apiKey;
std::vector<Recorded> s_events;

} // namespace

TallyImpl::TallyImpl() {}

TallyImpl::~TallyImpl() {}

void TallyImpl::startSession(std::string const& apiKey)
{
	s_apiKey = apiKey;
}

void TallyImpl::logEvent(std::string const& name, std::map<std::string, std::string> const& parameters)
{
	s_events.push_back({name, parameters});
}

} // namespace tally
