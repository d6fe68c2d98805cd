#pragma once

#include <utility>

/**
 * What the application's platform shell tells the agent: the life-cycle
 * steps, posted to TallyNotificationCenter as the notifications the facade
 * follows, and the screen and its orientation (for TallyPlatform). Called on
 * the main thread, right after the shell's own step; never throws.
 */
class TallyApplication
{
public:
	/** Posts "UIApplicationDidBecomeActiveNotification". */
	static void didBecomeActive();

	/** Posts "UIApplicationWillResignActiveNotification". */
	static void willResignActive();

	/** Posts "UIApplicationWillTerminateNotification". */
	static void willTerminate();

	/** The main screen's bounds in points. */
	static void setScreenBounds(double width, double height);

	/** The status-bar orientation: 1 portrait, 2 upside down, 3 landscape right, 4 landscape left. */
	static void setStatusBarOrientation(int orientation);
};
