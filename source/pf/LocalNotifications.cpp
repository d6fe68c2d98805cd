#include "LocalNotifications.h"
#include "LocalNotificationsImpl.h"
#include "UserDefaults.h"

namespace pf
{

namespace
{

/** The furthest a notification is scheduled ahead: ten years. */
double const LONGEST_WAIT = 10.0 * 365 * 24 * 3600;

} // namespace

LocalNotifications::LocalNotifications() :
	m_impl(new LocalNotificationsImpl())
{
}

LocalNotifications::~LocalNotifications()
{
}

bool LocalNotifications::addNotificationAfter(std::string const& eventName, float seconds, std::string const& message)
{
	if (seconds != seconds)
		return false;
	UserDefaults& defaults = UserDefaults::standard();
	defaults.synchronise();
	if (defaults.hasKey("notifications") && !defaults.getBoolean("notifications"))
		return false;
	double wait = seconds < 0 ? 0.0 : static_cast<double>(seconds);
	if (wait > LONGEST_WAIT)
		wait = LONGEST_WAIT;
	LocalNotificationsImpl::Scheduled notification;
	notification.eventName = eventName;
	notification.message = message;
	notification.fireTime = LocalNotificationsImpl::now() + wait;
	notification.sound = defaults.getBoolean("notificationsSound");
	LocalNotificationsImpl::schedule(notification);
	return true;
}

bool LocalNotifications::removeNotification(std::string const& eventName)
{
	return LocalNotificationsImpl::cancel(eventName);
}

void LocalNotifications::removeAllNotifications()
{
	LocalNotificationsImpl::cancelAll();
}

void LocalNotifications::addListener(LocalNotificationsListener* listener)
{
	m_impl->addOwnListener(listener);
}

void LocalNotifications::checkForNotifications()
{
}

} // pf
