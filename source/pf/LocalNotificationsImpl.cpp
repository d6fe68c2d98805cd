#include "LocalNotificationsImpl.h"
#include "LocalNotificationsListener.h"
#include <algorithm>

namespace pf
{

std::vector<LocalNotificationsListener*> LocalNotificationsImpl::sm_listeners;
std::vector<LocalNotificationsImpl::Scheduled> LocalNotificationsImpl::sm_scheduled;
double LocalNotificationsImpl::sm_now = 0;

LocalNotificationsImpl::LocalNotificationsImpl()
{
}

LocalNotificationsImpl::~LocalNotificationsImpl()
{
	for (LocalNotificationsListener* listener : m_added)
		removeListener(listener);
}

void LocalNotificationsImpl::addOwnListener(LocalNotificationsListener* listener)
{
	if (!listener)
		return;
	addListener(listener);
	if (std::find(m_added.begin(), m_added.end(), listener) == m_added.end())
		m_added.push_back(listener);
}

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

void LocalNotificationsImpl::schedule(Scheduled const& notification)
{
	auto at = std::upper_bound(sm_scheduled.begin(), sm_scheduled.end(), notification.fireTime,
		[](double time, Scheduled const& s) { return time < s.fireTime; });
	sm_scheduled.insert(at, notification);
}

bool LocalNotificationsImpl::cancel(std::string const& eventName)
{
	auto at = std::find_if(sm_scheduled.begin(), sm_scheduled.end(),
		[&](Scheduled const& s) { return s.eventName == eventName; });
	if (at == sm_scheduled.end())
		return false;
	sm_scheduled.erase(at);
	return true;
}

void LocalNotificationsImpl::cancelAll()
{
	sm_scheduled.clear();
}

std::vector<LocalNotificationsImpl::Scheduled> const& LocalNotificationsImpl::scheduled()
{
	return sm_scheduled;
}

void LocalNotificationsImpl::setNow(double now)
{
	if (now == now)
		sm_now = now;
}

std::vector<std::string> LocalNotificationsImpl::takeDue(double now)
{
	setNow(now);
	std::vector<std::string> due;
	size_t count = 0;
	while (count < sm_scheduled.size() && sm_scheduled[count].fireTime <= sm_now)
	{
		due.push_back(sm_scheduled[count].eventName);
		++count;
	}
	sm_scheduled.erase(sm_scheduled.begin(), sm_scheduled.begin() + static_cast<long>(count));
	return due;
}

double LocalNotificationsImpl::now()
{
	return sm_now;
}

} // pf
