#pragma once

#include <string>

namespace pf
{

/** Told about local notifications that fire or that launched the application. */
class LocalNotificationsListener
{
public:
	virtual ~LocalNotificationsListener() {}

	/** A notification with this event name arrived (main thread). */
	virtual void notificationReceived(std::string const& eventName) = 0;
};

} // pf
