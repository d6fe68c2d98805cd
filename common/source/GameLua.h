#pragma once

#include <lang/Ptr.h>
#include <lua/LuaObject.h>
#include <lua/LuaTable.h>
#include <pf/CommerceListener.h>
#include <pf/LocalNotificationsListener.h>
#include <pf/VideoPlayerObserver.h>
#include <cstdint>
#include <deque>
#include <string>
#include <tuple>
#include <vector>

namespace framework
{
class App;
class OSInterface;
}

namespace gr
{
class Context;
}

namespace lua
{
class LuaState;
}

namespace pf
{
class AppSettings;
class Commerce;
class LocalNotifications;
class VideoPlayer;
}

namespace tally
{
class Tally;
}

class GameApp;

/**
 * The game's script host. The object is itself a Lua table (the host table):
 * every Lua API function is a field of it, the game logic runs with it as its
 * environment, so the functions the scripts define are fields of it too and
 * the host calls them there by name (lua::LuaObject::call: a missing function
 * or a script error is thrown as lua::LuaException after the protected call
 * has returned; a C++ exception of a bound function comes back as the
 * original object). The host catches none of them in a call; they end in
 * GameApp::update or in the shell.
 *
 * The API is registered area by area: each area lives in its own file
 * api/<Area>Api.cpp with its register<Area>Api() and its section below.
 *
 * Main thread only.
 */
class GameLua : public lua::LuaObject, public pf::CommerceListener, public pf::LocalNotificationsListener,
	public pf::VideoPlayerObserver
{
public:
	/**
	 * Builds the host over state: the key, pointer, object and block tables,
	 * the API, the screen size and the save tables "highscores", "settings"
	 * and "bi_data" read from the app-data folder (empty tables for missing
	 * or damaged files). app, state and context are not owned and must
	 * outlive the host.
	 */
	GameLua(framework::App* app, lua::LuaState* state, gr::Context* context);

	/**
	 * Saves "bi_data", "settings" and "highscores" and, unless "deviceModel"
	 * is "osx", "windows" or not a string, the three purchase tables. Never
	 * throws: a failed save is logged and keeps the previous file.
	 */
	~GameLua() override;

	/** The application; not null. */
	framework::App* app() const { return m_app; }

	/** The rendering context; not null. */
	gr::Context* context() const { return m_context; }

	/** The host's own tables "keyPressed", "keyReleased", "keyHold" and "cursor". */
	lua::LuaTable& keyPressedTable() { return m_keyPressed; }
	lua::LuaTable& keyReleasedTable() { return m_keyReleased; }
	lua::LuaTable& keyHoldTable() { return m_keyHold; }
	lua::LuaTable& cursorTable() { return m_cursor; }

	// --- Frame ---------------------------------------------------------

	/**
	 * The frame step: reads "g_safeToQuit", publishes the screen size, the
	 * zoom, the touches (at most two) and "g_physicsUpdateMillis", then calls
	 * the script function "update" with the scaled frame time and dt.
	 * @exception lang::Throwable Whatever the script call throws.
	 */
	void update(float dt);

	/** Calls the script function "draw". @exception lang::Throwable From the call. */
	void draw();

	/**
	 * Once the game logic is compiled, calls "gameResumed" (active) or
	 * "gamePaused"; before that does nothing.
	 * @exception lang::Throwable From the call.
	 */
	void activate(bool active);

	/** The value of "g_safeToQuit" at the last frame; false before the first. */
	bool safeToQuit() const { return m_safeToQuit; }

	/** The frame time multiplier of the scripts; 1 by default. */
	float deltaTimeMultiplier() const { return m_deltaTimeMultiplier; }

	// --- View state ----------------------------------------------------

	/** Background colour packed as red << 16 | green << 8 | blue; all bits set at start. */
	uint32_t getBGColor() const { return m_bgColor; }

	// --- Level and save files --------------------------------------------

	/**
	 * Runs the shipped Lua source file (path under the application's data
	 * path) with the host table as its environment, calls the script function
	 * "updateValues" and marks the game logic compiled. A file that cannot be
	 * read, compiled or run, or a failing "updateValues", is logged and
	 * recorded in failedFiles().
	 */
	void compile(std::string const& file);

	/** True once compile() has succeeded. */
	bool isCompiled() const { return m_compiled; }

	/**
	 * Reads the shipped Lua table text file into a new table stored as the
	 * host-table entry table, or with an empty table name into the host table
	 * itself. A failure is logged and recorded in failedFiles(); no entry
	 * changes then.
	 */
	void loadLuaFile(std::string const& file, std::string const& table);

	/**
	 * A new table filled from the save file name of the app-data folder;
	 * empty when the file is missing, unreadable or its text does not compile
	 * or run (never half filled). Never throws for a bad file.
	 */
	lua::LuaTable loadPersistentFile(std::string const& name);

	/**
	 * Writes the host-table entry table as Lua table text to the app-data
	 * file. The text is built first; when the entry is not a table the file
	 * is left as it was. Replaces the file only once the whole text is
	 * written (io::AppDataOutputStream).
	 * @exception lang::Throwable When the entry is not a table or the write fails.
	 */
	void savePersistentLuaFile(std::string const& file, std::string const& table);

	/**
	 * Unless "deviceModel" is "osx", "windows" or not a string, loads
	 * "gamepurchases.lua", "talonpurchases.lua" and "episodepurchases.lua"
	 * into "g_gamePurchasesTable", "g_talonPurchasesTable" and
	 * "g_episodePurchasesTable".
	 */
	void loadPurchases();

	/** Calls the script function "createStartUpAssets". @exception lang::Throwable From the call. */
	void createAssets();

	/**
	 * Tells the scripts that file failed to load: calls the host-table entry
	 * "onLoadLuaFileFail" with the name when it is a Lua function, else logs
	 * the file and goes on.
	 * @exception lang::Throwable From the script handler.
	 */
	void onLoadLuaFileFail(std::string const& file);

	/** Files that failed to load since the last clearFailedFiles(), in order. */
	std::vector<std::string> const& failedFiles() const { return m_failedFiles; }

	/** Empties failedFiles(). */
	void clearFailedFiles() { m_failedFiles.clear(); }

	// --- Script utilities (api/ScriptUtilApi.cpp) --------------------------

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

	/** Sets the game application's multitouch mouse-wheel simulation flag. */
	void setIsMultitouchMouseWheelSimulationEnabled(bool enabled);

	/** False on this platform. */
	bool doesMouseClickSetsTouchCount();

	/** Sets the game application's smooth-zooming flag. */
	void enableSmoothZooming(bool enabled);

	/** "" (the device identifier reaches the scripts otherwise). */
	std::string getDeviceID();

	/** Whole hours since 1970-01-01 00:00 UTC. */
	int getDate();

	/** Prints "resetTimer called" and restarts the analytics timer: start now, no paused time. */
	void resetTimer();

	/** @exception lang::Throwable Always, without text; the message is not used. */
	void throwException(std::string const& message);

	/** Does nothing on this platform. */
	void goToTaskSwitcherLua();

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

	/** Test ads are not supported here: does nothing. Not a Lua function. */
	void setUseTestAds(bool use);

	/** Set by "setGameParameters"; false at start. */
	bool deterministicPhysics() const { return m_deterministicPhysics; }

	/** Sets the start of the analytics timer in milliseconds (tests). */
	void setTimerStart(int64_t ms) { m_timerStart = ms; }

	// --- Store (api/StoreApi.cpp) ----------------------------------------

	/** The product ids the store is made with, in order. */
	static char const* const sm_purchaseItemIds[10];

	/** Stores callback, prints the call and buys id (refusals reach the callback at once). */
	void buyItem(std::string const& id, std::string const& callback);

	/** Stores callback, prints the call and asks for the product list. */
	void initItemPurchase(std::string const& callback);

	/** The number of items of the store's list. */
	int getAvailableItemCount();

	/**
	 * A new table with id, name, description, type, quantity and price of
	 * item index (0-based); empty when index is negative or not below the count.
	 */
	lua::LuaTable getItemAt(int index);

	/** Replaces the description of item index; nothing for an index out of range. */
	void setItemDescription(int index, std::string const& description);

	/** Stores callback and asks for a restore of the earlier purchases. */
	void restoreItems(std::string const& callback);

	/** Whether payments are allowed. */
	bool isIapAllowed();

	/**
	 * A store outcome: calls the store callback with (id, status, error).
	 * Before any store callback name was set it waits for the first one
	 * (delivered at the next frame); with an empty name it is dropped.
	 * @exception lang::Throwable From the script.
	 */
	void paymentFinished(std::string const& id, PaymentStatus status, pf::Commerce::CommerceError error) override;

	/** Prints the status; when available calls "inAppPurchasingBecameAvailable". */
	void initFinished(PaymentProviderStatus status) override;

	/** No effect. */
	void getPurchaseHistoryFinished(std::string const& id) override;

	/** The store. */
	pf::Commerce* commerce() const { return m_commerce; }

	// --- Notifications (api/NotificationApi.cpp) ----------------------------

	/** False without scheduling when the setting "notifications" is false; else the scheduling's result. */
	bool addNotificationAfter(std::string const& eventName, float seconds, std::string const& message);

	/** Cancels the first scheduled notification with eventName; true when there was one. */
	bool removeNotification(std::string const& eventName);

	void removeAllNotifications();

	/** Stores the script function that notifications call. */
	void setNotificationCallback(std::string const& name);

	/**
	 * Calls the notification callback with the event name, unless its name is empty.
	 * @exception lang::Throwable From the script.
	 */
	void notificationReceived(std::string const& eventName) override;

	// --- Video (api/VideoApi.cpp) ------------------------------------------

	/** Plays the data file name full screen; while it plays the frame updates stop. */
	void playVideo(std::string const& name);

	/** Restarts the frame updates. */
	void videoPlayEnded() override;

	/** The video player. */
	pf::VideoPlayer* videoPlayer() const { return m_videoPlayer; }

	// --- Analytics (api/TallyApi.cpp) ----------------------------------------

	/** Keeps the analytics wrapper (borrowed; null turns the functions into prints). */
	void prepareTally(tally::Tally* tally);

	void logTallyEvent(std::string const& event);
	void logTallyEventWithParam(std::string const& event, std::string const& name, std::string const& value);

	/** Logs event with the string-to-string pairs of the host-table entry tableName. */
	void logTallyEventWithParams(std::string const& event, std::string const& tableName);

	/** Logs event with "seconds": whole seconds since resetTimer (timerSeconds). */
	void logTallyTimerEvent(std::string const& event);

	/** Whole seconds of elapsed milliseconds, rounded half up; negative time (a clock set back) counts as 0. */
	static int timerSeconds(int64_t elapsedMs);

	/** Start of the analytics timer in milliseconds (set by "resetTimer"). */
	int64_t timerStart() const { return m_timerStart; }

	/** Paused time of the analytics timer in milliseconds. */
	int64_t timerPaused() const { return m_timerPaused; }

private:
	framework::App* m_app;
	gr::Context* m_context;

	lua::LuaTable m_keyPressed;
	lua::LuaTable m_keyReleased;
	lua::LuaTable m_keyHold;
	lua::LuaTable m_cursor;
	lua::LuaTable m_multitouchSweep;
	lua::LuaTable m_multitouchZoom;
	lua::LuaTable m_objects;
	lua::LuaTable m_clippedText;
	lua::LuaTable m_blockTable;

	uint32_t m_bgColor;
	float m_deltaTimeMultiplier;
	bool m_safeToQuit;
	bool m_compiled;
	bool m_deterministicPhysics;
	int64_t m_timerStart;
	int64_t m_timerPaused;
	std::vector<std::string> m_failedFiles;

	lang::Ptr<pf::Commerce> m_commerce;
	std::string m_storeCallback;
	bool m_storeCallbackSet;
	std::deque<std::tuple<std::string, PaymentStatus, pf::Commerce::CommerceError>> m_heldPayments;
	std::string m_notificationCallback;
	lang::Ptr<pf::AppSettings> m_appSettings;
	lang::Ptr<pf::LocalNotifications> m_notifications;
	lang::Ptr<pf::VideoPlayer> m_videoPlayer;
	tally::Tally* m_tally;

	/** Registers every area's rows, one call per area. */
	void registerApi();

	/** The script utilities' rows (api/ScriptUtilApi.cpp). */
	void registerScriptUtilApi();

	/** The rows of the store, notifications, video, analytics and advertisements. */
	void registerStoreApi();
	void registerNotificationApi();
	void registerVideoApi();
	void registerTallyApi();
	void registerAdApi();

	/** Frame step: delivers held and queued store outcomes. */
	void pollStore();

	/** Sets the store callback name; held outcomes go to it at the next poll. */
	void setStoreCallback(std::string const& callback);

	/** Advertisements: no effect on this platform. */
	void noAd() {}

	/** Prints "GameLua::requestBannerAd()". */
	void requestBannerAd();

	/** The game application, or null when the application is another App. */
	GameApp* gameApp() const;

	/** The platform interface of the application. */
	framework::OSInterface* os() const;

	/** Logs the failure and records file in failedFiles(). */
	void fileFailed(std::string const& file, std::string const& error);

	/** Writes table to file; logs "Failed to save {0}: {1}" instead of throwing. */
	void saveQuietly(std::string const& file, std::string const& table);

	/** True when "deviceModel" is a string other than "osx" and "windows". */
	bool hasPurchaseFiles() const;

	GameLua(GameLua const&) = delete;
	GameLua& operator=(GameLua const&) = delete;
};
