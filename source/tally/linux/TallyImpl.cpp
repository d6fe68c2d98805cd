#include <tally/TallyImpl.h>
#include <TallyAnalytics.h>
#include <TallyGuard.h>

namespace tally
{

TallyImpl::TallyImpl()
{
	tallyGuard([] { TallyAnalytics::setSecureTransportEnabled(true); });
}

TallyImpl::~TallyImpl() {}

void TallyImpl::startSession(std::string const& apiKey)
{
	tallyGuard([&] {
		TallyAnalytics::startSession(apiKey);
		TallyAnalytics::setSessionReportsOnCloseEnabled(false);
		TallyAnalytics::setSessionReportsOnPauseEnabled(false);
	});
}

void TallyImpl::logEvent(std::string const& name, std::map<std::string, std::string> const& parameters)
{
	tallyGuard([&] { TallyAnalytics::logEvent(name, TallyAnalytics::Parameters(parameters)); });
}

} // namespace tally
