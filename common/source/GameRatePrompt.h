#pragma once

/**
 * The game's link to the rating prompt (RatePrompt): the launch notice at
 * start-up and the end at termination. While started, the prompt's waiting
 * alert is withdrawn when the application resigns active. Main thread.
 */
class GameRatePrompt
{
public:
	/** Logs "Notifying RatePrompt of app launch" and counts the launch (RatePrompt::appLaunched). */
	static void appStarted();

	/** Stops telling the prompt of deactivation and ends its work (RatePrompt::shutdown). */
	static void appTerminated();
};
