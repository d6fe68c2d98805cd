#include "LocalNotificationsImpl.h"
#include "LocalNotificationsListener.h"
#include <algorithm>

namespace pf
{

std::vector<LocalNotificationsListener*> LocalNotificationsImpl::sm_listeners;

void LocalNotificationsImpl::addListener(LocalNotificationsListener* listener)
{
	if (listener && std::find(sm_listeners.begin(), sm_listeners.end(), listener) == sm_listeners.end())
		sm_listeners.push_back(listener);
}

void LocalNotificationsImpl::removeListener(LocalNotificationsListener* listener)
{
	std::erase(sm_listeners, listener);
}

void LocalNotificationsImpl::notifyListeners(std::string const& eventName)
{
	// A copy, so that listeners may change the list while they are told.
	std::vector<LocalNotificationsListener*> const snapshot = sm_listeners;
	for (LocalNotificationsListener* listener : snapshot)
	{
		if (std::find(sm_listeners.begin(), sm_listeners.end(), listener) != sm_listeners.end())
			listener->notificationReceived(eventName);
	}
}

std::vector<LocalNotificationsListener*> const& LocalNotificationsImpl::listeners()
{
	return sm_listeners;
}

} // pf
