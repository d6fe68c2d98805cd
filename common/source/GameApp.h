#pragma once

#include <framework/App.h>
#include <host/Shell.h>
#include <lang/Ptr.h>
#include <memory>
#include <string>

namespace framework
{
class OSInterface;
}

namespace gr
{
class Context;
}

namespace game
{
class LuaResources;
}

namespace lua
{
class LuaState;
}

namespace tally
{
class Tally;
}

namespace host
{
class GameCenter;
}

class GameLua;

/**
 * The game's application object: builds the Lua state and the script host,
 * publishes the data folders and device facts to the scripts, loads the
 * start-up Lua files, compiles the game logic, and runs one frame per
 * update: zoom easing and two-finger zoom, the key tables, the volume keys,
 * the host's frame step, clear, draw and present.
 *
 * Main thread only.
 */
class GameApp : public framework::App, public host::Shell
{
public:
	/** The start-up folder names that framework::configure fills (empty before and after start-up). */
	struct Folders
	{
		std::string data;
		std::string images;
		std::string fonts;
		std::string audio;
		std::string localization;
		std::string levels;
		std::string scripts;
		std::string commonScripts;
		std::string device;
		std::string shaders;

		/** Sets every name to its game default ("data_ipad", "images", ...). */
		void setDefaults();

		/** Empties every name. */
		void clear();
	};

	/** The process-wide folder names. */
	static Folders& folders();

	/**
	 * Start-up. Failed start-up files are handed to the scripts'
	 * "onLoadLuaFileFail" and never stop it.
	 * @exception lang::Throwable When a start-up script call fails
	 *            ("createStartUpAssets" missing, a failing handler).
	 * @exception lang::Exception "The data folder {0} cannot be used: {1}"
	 *            when the bundle folder does not exist or is not a folder
	 *            (nothing is loaded or saved then).
	 */
	GameApp(gr::Context* context, framework::OSInterface* os);

	/**
	 * Ends the analytics session and destroys its wrapper, then the
	 * game-centre link (its results still queued are dropped), then the
	 * host (which writes the save files), then the Lua state.
	 */
	~GameApp() override;

	/**
	 * One frame. An exception out of the host's frame step is logged as the
	 * analytics event "Game crashed" (parameter "exception": its message)
	 * and passed on after the crash pause (setCrashPause); while the
	 * scripts are asked to stop (lua::LuaStop) it is passed on at once.
	 */
	void update(float dt, gr::Context* context, int flags) override;

	/** Marks the key pressed (keyDown) or released (keyUp) this frame; codes outside 0..90 are ignored. */
	void keyDown(KeyType key) override;
	void keyUp(KeyType key) override;

	void orientationChanged() override;

	/** Publishes the context size and calls the script function "resolutionChanged". */
	void resolutionChanged() override;

	/** Sets "cursor"."x" and "cursor"."y". */
	void mouseMove(int x, int y) override;

	/** One wheel step: zooms, eased when smooth zooming is on. */
	void mouseWheel(int delta) override;

	/** Releases keys and touches, then tells the host. */
	void activate(bool active) override;

	/**
	 * Remembers whether audio is wanted. Off: stops the audio input and
	 * output; true. On: starts the audio output when one exists and
	 * "settings"."root"."audioEnabled" is not false (the result of the
	 * start; true when nothing was started), then the audio input if any.
	 * @exception lang::Exception When the device refuses to start.
	 */
	bool activateAudio(bool active) override;

	/** The last argument of activateAudio; false until it is called. */
	bool audioWanted() const override { return m_audioWanted; }

	bool safeToQuit() const override;

	/** Sets "g_mouseAvailable". */
	void setMouseAvailable(bool available) override;

	/** The script host; not null after start-up. */
	GameLua* host() const { return m_host; }

	/** The game-centre link; not null after start-up. */
	host::GameCenter* gameCenter() const { return m_gameCenter.get(); }

	/** The Lua state. */
	lua::LuaState* luaState() const { return m_lua; }

	/** The analytics wrapper the host logs through; its session runs with TallyKeys::IPAD. */
	tally::Tally* tally() const { return m_tally; }

	/** The scripts' resource object "res" with the resource manager. */
	game::LuaResources* resources() const { return m_resources; }

	/** Milliseconds the crash path waits before passing an exception on; 3000 by default. */
	void setCrashPause(int ms) { m_crashPause = ms; }

	float wheelScale() const override { return m_wheelScale; }
	float previousWheelScale() const override { return m_previousWheelScale; }
	void setPreviousWheelScale(float scale) override { m_previousWheelScale = scale; }

	/** The world scale and its second copy (the target zoom). */
	void setWorldScale(float scale) override
	{
		m_worldScale = scale;
		m_worldScale2 = scale;
	}

	/** The wheel scale and the previous wheel scale. */
	void resetWheelScale(float scale) override
	{
		m_wheelScale = scale;
		m_previousWheelScale = scale;
	}

	/** The largest scale a wheel notch eases within; 100 until set. */
	void setMaxWorldScale(float scale) override { m_maxWorldScale = scale; }

	/** Smooth zooming: wheel steps are eased; on after start-up. */
	void setSmoothZooming(bool enabled) override { m_smoothZooming = enabled; }
	bool smoothZooming() const { return m_smoothZooming; }

	void setMultitouchMouseWheelSimulation(bool enabled) override { m_multitouchWheel = enabled; }
	bool multitouchMouseWheelSimulation() const { return m_multitouchWheel; }

	/**
	 * The audio output's master volume (set from "settings"."volume" at
	 * start-up, changed by the volume keys); 0 without an audio output.
	 */
	float masterVolume() const;

private:
	gr::Context* m_context;
	float m_worldScale;
	float m_wheelScale;
	float m_maxWorldScale;
	float m_easeStart;
	float m_easeTarget;
	float m_easeTime;
	float m_easeDuration;
	bool m_smoothZooming;
	float m_worldScale2;
	float m_previousWheelScale;
	bool m_audioWanted;
	bool m_multitouchWheel;
	lang::Ptr<lua::LuaState> m_lua;
	lang::Ptr<GameLua> m_host;
	lang::Ptr<tally::Tally> m_tally;
	lang::Ptr<game::LuaResources> m_resources;
	/** After the host: destroyed before it, also when start-up fails. */
	std::unique_ptr<host::GameCenter> m_gameCenter;
	bool m_keyPressed[KEY_COUNT];
	bool m_keyReleased[KEY_COUNT];
	bool m_started;
	bool m_wheel;
	bool m_wheelLatch;
	bool m_pinching;
	float m_pinchDistance;
	float m_pinchWorldScale;
	int m_crashPause;

	void startUp();
	void startTally();
	void easeZoom(float dt);
	void pinchZoom();
	/** Publishes every key's pressed, released and held flags to the scripts' key tables (the five frame keys first) and clears the pressed and released flags. */
	void publishKeys();
	void volumeKeys();
	void changeVolume(float step);

	GameApp(GameApp const&) = delete;
	GameApp& operator=(GameApp const&) = delete;
};
