#pragma once

#include <TallyDate.h>
#include <TallyError.h>
#include <lang/Throwable.h>
#include <optional>
#include <set>
#include <string>

/** A rectangle in points. */
struct TallyRect
{
	double x = 0.0;
	double y = 0.0;
	double width = 0.0;
	double height = 0.0;
};

/**
 * The agent's shared switches and small questions: debug logging, caught
 * failures, device kind, system version, orientation and screen, the backup
 * mark. Class operations only; all are thread-safe.
 */
class TallyUtil
{
public:
	/** Turns the agent's debug lines on or off (off at start). */
	static void setDebugLogEnabled(bool enabled);
	static bool isDebugLogEnabled();

	/** Turns the lines of handleException() on or off (off at start). */
	static void setShowErrorInLogEnabled(bool enabled);

	/**
	 * Logs a caught failure when both the show-error and the debug switch
	 * are on: an exception with its name and reason, an error with its code
	 * and domain, anything else by its text. Never throws.
	 */
	static void handleException(lang::Throwable const& exception);
	static void handleException(TallyError const& error);
	static void handleException(std::string const& other);

	/** The exception's name, "Throwable", and its reason, the message's text. */
	static std::string exceptionName(lang::Throwable const& exception);
	static std::string exceptionReason(lang::Throwable const& exception);

	/** The agent's clock (TallyPlatform::now), for code outside the agent's root folder. */
	static TallyDate now();

	/** Whether the device is a tablet (TallyPlatform::isIPad). */
	static bool isIPad();

	/**
	 * The system version as major * 10000 + minor * 100 + patch, from the
	 * first three parts of TallyPlatform::systemVersion() at "." (each
	 * part's leading integer, 0 when there is none); computed in 64 bits,
	 * held to the 32-bit range, and kept once it is not 0.
	 */
	static int getSystemVersionAsAnInteger();

	/** Forgets the kept system version (the platform's answer changed). */
	static void forgetSystemVersion();

	/**
	 * Marks the file to be left out of backups. Does nothing and answers
	 * false on systems up to 5.0 (50000).
	 * @return Whether the mark was set.
	 */
	static bool addSkipBackupAttributeToItemAtURL(std::string const& path);

	/** The status-bar orientation is 3, 4, 2 respectively; landscape is 3 or 4. */
	static bool canvasInLandscapeRight();
	static bool canvasInLandscapeLeft();
	static bool canvasInPortraitUpsideDown();
	static bool canvasInLandscape();

	/**
	 * With a text: the text equals "landscapeRight", "landscapeLeft" or
	 * "portraitUpsideDown" regardless of case (landscape: either of the
	 * first two); without one, the status-bar answer.
	 */
	static bool canvasInLandscapeRight(std::optional<std::string> const& orientation);
	static bool canvasInLandscapeLeft(std::optional<std::string> const& orientation);
	static bool canvasInPortraitUpsideDown(std::optional<std::string> const& orientation);
	static bool canvasInLandscape(std::optional<std::string> const& orientation);

	/** "landscapeRight", "landscapeLeft", "portraitUpsideDown" or "portrait". */
	static std::string getCanvasOrientation();

	/**
	 * (0, 0, 768, 1024.1) on a tablet, (0, 0, 320, 480.1) otherwise; width
	 * and height swapped in landscape (by the text when one is given).
	 */
	static TallyRect screenBounds();
	static TallyRect screenBounds(std::optional<std::string> const& orientation);

	/** The text as a decimal number ("12", "-1.5"); none when the whole text is not one. */
	static std::optional<double> convertStrToNum(std::string const& text);

	/** Adds the object when the set lacks it; answers whether it was added. */
	static bool addToSet(std::set<std::string>& set, std::string const& object);
};
