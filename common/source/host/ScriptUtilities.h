#pragma once

#include <host/Core.h>
#include <lua/LuaTable.h>
#include <string>

namespace lua
{
class LuaState;
}

namespace host
{

/**
 * The scripts' small library: JSON, Base64, dates, bitwise operations,
 * printing, the desktop and operating-system functions, the game
 * parameters, and the advertisements (none on this platform).
 *
 * Main thread only.
 */
class ScriptUtilities
{
public:
	/** Physics not deterministic. */
	explicit ScriptUtilities(Core const& core);

	/** Does nothing on this platform. */
	void openBarnesAndNobleShop(std::string const& url);

	/** Asks the application to quit with exit code 0. */
	void requestExit();

	/** Writes the text unchanged (any length, no newline added) to standard output. */
	void print(std::string const& text);

	/** Do nothing on this platform. */
	void checkForUpdates();
	void callVersionUpdater();

	/** Captures or frees the mouse through the platform interface. */
	void captureMouse(bool capture);

	/** The platform interface's mouse capture state. */
	bool isMouseCaptured();

	/** Full screen on or off through the platform interface. */
	void setFullScreenMode(bool fullscreen);

	/** Both truncated toward zero and saturated; a size below 1 changes nothing. */
	void setResolution(float width, float height);

	/** The platform interface's full-screen state. */
	bool isInFullScreenMode();

	/** "" on this platform. */
	std::string getClipboardText();

	/** Sets the game application's multitouch mouse-wheel simulation flag (nothing without a shell). */
	void setIsMultitouchMouseWheelSimulationEnabled(bool enabled);

	/** False on this platform. */
	bool doesMouseClickSetsTouchCount();

	/** Sets the game application's smooth-zooming flag (nothing without a shell). */
	void enableSmoothZooming(bool enabled);

	/** "" (the device identifier reaches the scripts as "uniqueDeviceId"). */
	std::string getDeviceID();

	/** Whole hours since 1970-01-01 00:00 UTC. */
	int getDate();

	/** @exception lang::Throwable Always, without text; the message is not used. */
	void throwException(std::string const& message);

	/** Does nothing on this platform. */
	void goToTaskSwitcher();

	/** Lets the display sleep exactly when the game is not on. */
	void setGameOn(bool on);

	/** Prints "Name: %s" or "Number: %f" for each key of the host table whose value is not a function. */
	void printGlobals();

	/** Raw: a table as last argument with a boolean "deterministicPhysics" sets that flag. */
	int setGameParameters(lua::LuaState* state);
	/** Raw: (a, b) -> a & b, integers truncated and saturated from the numbers. */
	int performBitwiseAnd(lua::LuaState* state);
	/** Raw: (a, b) -> a | b, as performBitwiseAnd. */
	int performBitwiseOr(lua::LuaState* state);
	/** The local time as a new table: year, month (1-12), day, hour, minutes, seconds. */
	lua::LuaTable getCurrentTime();

	/**
	 * Raw: (t1, t2) -> table of days, hours, minutes, seconds of |t1 - t2|.
	 * Date tables need numbers year, month and day; hour, minutes and
	 * seconds count when they are numbers; local time, no daylight saving.
	 * @exception lua::LuaException A non-table argument, or "Tried to get
	 *            value {0} from table, but type was {1} instead of {2}".
	 */
	int getTimeDifference(lua::LuaState* state);

	/** Raw: (t1, t2) -> t1 - t2 in seconds; dates and failures as getTimeDifference. */
	int getTimeDifferenceInSeconds(lua::LuaState* state);

	/**
	 * Adds the JSON document's content to the host-table entry tableName when
	 * that is a table; otherwise does nothing.
	 * @exception lang::Exception "JSON parsing failed here: {0}" for malformed JSON.
	 */
	void importJSONToLuaTable(std::string const& json, std::string const& tableName);

	/** The JSON text of the host-table entry tableName; "" when that is not a table. */
	std::string exportLuaTableAsJSON(std::string const& tableName);

	/**
	 * The order-independent 32-bit hash of the document as signed decimal text.
	 * @exception lang::Exception "JSON parsing failed here: {0}" for malformed JSON.
	 */
	std::string getJSONHash(std::string const& json);

	/** What changed from table A to table B as JSON; "{}" when either is not a table. */
	std::string GetJSONDiff(std::string const& tableA, std::string const& tableB);

	/**
	 * The bytes of URL-safe Base64 text.
	 * @exception lang::Exception "BaseN::decode: Bad character in input: {0}".
	 */
	std::string decodeBase64(std::string const& text);

	/**
	 * Limits the clips the audio output's track plays at once.
	 * @exception lang::Exception "Trying to set channel count limit but no
	 *            audio output has been created"; the mixer's track error.
	 */
	void setChannelCountLimit(int channel, int limit);

	/** Test ads are not supported here: does nothing. Not a Lua function. */
	void setUseTestAds(bool use);

	/** Advertisements: no effect on this platform. */
	void noAd() {}

	/** Prints "GameLua::requestBannerAd()". */
	void requestBannerAd();

	/** Set by "setGameParameters"; false at start. */
	bool deterministicPhysics() const { return m_deterministicPhysics; }

private:
	Core m_core;
	bool m_deterministicPhysics;
};

} // namespace host
