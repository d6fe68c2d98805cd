#include "TallyApplication.h"
#include "TallyGuard.h"
#include "TallyNotificationCenter.h"
#include <linux/TallyPlatform.h>

void TallyApplication::didBecomeActive()
{
	tallyGuard([] { TallyNotificationCenter::defaultCenter().post("UIApplicationDidBecomeActiveNotification"); });
}

void TallyApplication::willResignActive()
{
	tallyGuard([] { TallyNotificationCenter::defaultCenter().post("UIApplicationWillResignActiveNotification"); });
}

void TallyApplication::willTerminate()
{
	tallyGuard([] { TallyNotificationCenter::defaultCenter().post("UIApplicationWillTerminateNotification"); });
}

void TallyApplication::setScreenBounds(double width, double height)
{
	tallyGuard([&] { TallyPlatform::setMainScreenSize(std::make_pair(width, height)); });
}

void TallyApplication::setStatusBarOrientation(int orientation)
{
	tallyGuard([&] { TallyPlatform::setStatusBarOrientation(orientation); });
}
