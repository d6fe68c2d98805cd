#include "GameRatePrompt.h"
#include <RatePrompt/RatePrompt.h>
#include <framework/AppActivationListeners.h>
#include <lang/Debug.h>
#include <algorithm>

namespace
{

/** Hands the shell's deactivation to the prompt. */
class ResignListener : public framework::AppActivationListener
{
public:
	void activated() override {}
	void deactivated() override { RatePrompt::appWillResignActive(); }
};

ResignListener s_listener;

} // namespace

void GameRatePrompt::appStarted()
{
	lang::Debug::debug("Notifying RatePrompt of app launch\n");
	std::vector<framework::AppActivationListener*>& listeners = framework::AppActivationListeners::s_listeners;
	if (std::find(listeners.begin(), listeners.end(), &s_listener) == listeners.end())
		listeners.push_back(&s_listener);
	RatePrompt::appLaunched();
}

void GameRatePrompt::appTerminated()
{
	std::erase(framework::AppActivationListeners::s_listeners, &s_listener);
	RatePrompt::shutdown();
}
