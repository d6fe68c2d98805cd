#pragma once

#include <SheetGroups.h>
#include <host/ScriptDrawing.h>
#include <box2d/box2d.h>
#include <host/ContactRules.h>
#include <host/Aiming.h>
#include <host/Core.h>
#include <host/WorldSettings.h>
#include <host/ScoresAndAchievements.h>
#include <host/Store.h>
#include <host/View.h>
#include <host/Joints.h>
#include <host/SceneDrawing.h>
#include <host/SceneObjects.h>
#include <host/ObjectSetters.h>
#include <game/Resources.h>
#include <lang/Ptr.h>
#include <math/float2.h>
#include <lua/LuaObject.h>
#include <lua/LuaTable.h>
#include <pf/CommerceListener.h>
#include <pf/LocalNotificationsListener.h>
#include <pf/VideoPlayerObserver.h>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
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
class WebViewLuaInterface;
}

namespace host
{
class BackgroundDownloads;
class ParticleEffects;
class Levels;
class SaveTables;
class PhysicsStepper;
class Themes;
class WorldForces;
class Notifications;
class Tally;
class Video;
class ScriptUtilities;
class Shell;
class Compounds;
struct CompoundShape;
class WorldQueries;
struct DecorationData;
struct RenderObjectData;
}

class Compositor;

namespace physics
{
class PhysicsWorld;
}

namespace game
{
class SpriteSheet;
}

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
 * What the host holds is kept by its areas, one object each (host/<Area>.h:
 * state and logic in plain C++), which the host makes, puts together and
 * owns; each area's Lua face (api/<Area>Api.cpp) binds its members into the
 * host table, area by area in registerApi's order. The host keeps the
 * tables, its base classes (the physics world's listeners and the platform
 * services' listeners, forwarding to the areas), the order of construction
 * and destruction (the saves in the destructor) and the frame.
 *
 * Main thread only.
 */
class GameLua : public lua::LuaObject, public b2ContactListener, public b2ContactFilter, public b2DestructionListener,
	public pf::CommerceListener, public pf::LocalNotificationsListener, public pf::VideoPlayerObserver
{
public:
	/**
	 * Builds the host over state: the key, pointer, object and block tables,
	 * the API, "uniqueDeviceId" (pf::DeviceID's hash), the screen size, the
	 * game's save tables read from the app-data folder
	 * (SaveTables::loadGameTables: empty tables for missing or damaged
	 * files), the
	 * particles, then the video player, settings, aiming stream,
	 * notifications, the store (after which "g_iapEnabled" is true) and last
	 * the web-view module. app, state and context are not owned and must
	 * outlive the host; the host holds a counted reference to resources, the
	 * resource manager its sounds and sprites go through. shell, when not
	 * null, is the application's wheel zoom and sound wish (not owned; it
	 * must outlive the host); without it those requests have no effect.
	 */
	GameLua(framework::App* app, game::Resources* resources, lua::LuaState* state, gr::Context* context,
		host::Shell* shell = nullptr);

	/**
	 * Saves the game's tables and, unless "deviceModel" is "osx", "windows"
	 * or not a string, the three purchase tables (SaveTables::saveAll).
	 * Never throws: a failed save is logged and keeps the previous file.
	 */
	~GameLua() override;

	/** The application, the rendering context and the resource manager; not null. */
	framework::App* app() const { return m_app; }
	gr::Context* context() const { return m_context; }
	game::Resources* resources() const { return m_resources; }

	/** The host's own tables "keyPressed", "keyReleased", "keyHold" and "cursor". */
	lua::LuaTable& keyPressedTable() { return m_keyPressed; }
	lua::LuaTable& keyReleasedTable() { return m_keyReleased; }
	lua::LuaTable& keyHoldTable() { return m_keyHold; }
	lua::LuaTable& cursorTable() { return m_cursor; }

	// --- Frame (FrameLoop.cpp) ------------------------------------------------

	/**
	 * The frame step: reads "g_safeToQuit", publishes the screen size, the
	 * zoom, the touches (at most two) and "g_physicsUpdateMillis", runs the
	 * areas' frame steps and calls the script function "update" with the
	 * scaled frame time and dt.
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

	// --- The base classes' calls, forwarded to the areas ------------------------

	/** Contacts and their filter go to the contact rules; a destroyed joint to the joints. */
	bool ShouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB) override;
	void BeginContact(b2Contact* contact) override;
	void EndContact(b2Contact* contact) override;
	void SayGoodbye(b2Fixture* fixture) override;
	void SayGoodbye(b2Joint* joint) override;
	/** Store outcomes, a fired notification and a video's end go to their areas. */
	void paymentFinished(std::string const& id, PaymentStatus status, pf::Commerce::CommerceError error) override;
	void initFinished(PaymentProviderStatus status) override;
	void getPurchaseHistoryFinished(std::string const& id) override;
	void notificationReceived(std::string const& eventName) override;
	void videoPlayEnded() override;

	// --- The areas (host/<Area>.h; their rows in api/<Area>Api.cpp) ------------

	/** What the areas reach (host table, application, context, resources, view, shell, own tables). */
	host::Core const& core() const { return m_core; }
	/** The view numbers: top-left point, world scale, physics simulation scale. */
	host::View& view() { return m_view; }
	host::View const& view() const { return m_view; }
	/** The world numbers and flags the areas share. */
	host::WorldSettings& settings() { return m_settings; }
	host::WorldSettings const& settings() const { return m_settings; }
	/** The physics world (made with gravity (0, 0), sleep allowed, this host's listeners) and the objects. */
	host::SceneObjects& scene() { return *m_scene; }
	host::SceneObjects const& scene() const { return *m_scene; }
	host::ObjectSetters& setters() { return *m_setters; }
	host::Compounds& compounds() { return *m_compounds; }
	host::WorldQueries& worldQueries() { return *m_worldQueries; }
	host::WorldForces& worldForces() { return *m_worldForces; }
	host::PhysicsStepper& physicsStepper() { return *m_stepper; }
	host::ContactRules& contactRules() { return *m_contactRules; }
	host::Joints& joints() { return *m_joints; }
	host::SceneDrawing& sceneDrawing() { return *m_sceneDrawing; }
	host::Themes& themes() { return *m_themes; }
	host::ScriptDrawing& scriptDrawing() { return *m_scriptDrawing; }
	host::Aiming& aiming() { return *m_aiming; }
	host::ParticleEffects& particles() { return *m_particles; }
	host::Levels& levels() { return *m_levels; }
	host::SaveTables& saveTables() { return *m_saveTables; }
	host::ScriptUtilities& scriptUtilities() { return *m_scriptUtilities; }
	host::Store& store() { return *m_store; }
	host::Notifications& notifications() { return *m_notifications; }
	host::Video& video() { return *m_video; }
	host::Tally& tally() { return *m_tally; }
	host::ScoresAndAchievements& gameCenter() { return *m_gameCenter; }
	host::BackgroundDownloads& downloads() { return *m_downloads; }

	// The host's nested names, now the areas' own types.
	using RenderObjectData = host::RenderObjectData;
	using DecorationData = host::DecorationData;
	using SimulationSettings = host::SimulationSettings;
	using jointData = host::JointData;
	using CompoundShape = host::CompoundShape;
	using TrajectoryData = host::TrajectoryData;
	using ScoreData = host::ScoreData;
	using AchievementData = host::AchievementData;
	static constexpr int DRAW_DEPTHS = host::SceneDrawing::DRAW_DEPTHS;
	static constexpr int NumTrajectories = host::Aiming::NumTrajectories;
	static constexpr char const* const (&sm_purchaseItemIds)[10] = host::Store::sm_purchaseItemIds;

private:
	framework::App* m_app;
	host::Shell* m_shell;
	gr::Context* m_context;
	lang::Ptr<game::Resources> m_resources;

	lua::LuaTable m_keyPressed;
	lua::LuaTable m_keyReleased;
	lua::LuaTable m_keyHold;
	lua::LuaTable m_cursor;
	lua::LuaTable m_multitouchSweep;
	lua::LuaTable m_multitouchZoom;
	lua::LuaTable m_objects;
	/** Dropped with the host, before the context goes. */
	std::unique_ptr<host::ScriptDrawing> m_scriptDrawing;
	lua::LuaTable m_blockTable;

	std::unique_ptr<host::Themes> m_themes;
	std::unique_ptr<host::SceneDrawing> m_sceneDrawing;
	host::View m_view;
	/** Made after the view and the host's tables it refers to. */
	host::Core m_core;
	/** The world numbers and flags the areas share. */
	host::WorldSettings m_settings;
	/** Made after the scene and the joints; outlives the scene (removing bodies ends contacts). */
	std::unique_ptr<host::ContactRules> m_contactRules;
	bool m_safeToQuit;
	std::unique_ptr<host::Levels> m_levels;
	std::unique_ptr<host::ScriptUtilities> m_scriptUtilities;
	std::unique_ptr<host::Tally> m_tally;

	std::unique_ptr<host::SceneObjects> m_scene;
	std::unique_ptr<host::ObjectSetters> m_setters;
	std::unique_ptr<host::Compounds> m_compounds;
	std::unique_ptr<host::WorldQueries> m_worldQueries;
	std::unique_ptr<host::WorldForces> m_worldForces;
	std::unique_ptr<host::PhysicsStepper> m_stepper;
	std::unique_ptr<host::Joints> m_joints;

	std::unique_ptr<host::Store> m_store;
	std::unique_ptr<host::Notifications> m_notifications;
	std::unique_ptr<host::Video> m_video;
	/** The scripts' WebView module, made last by the constructor. */
	lang::Ptr<lua::WebViewLuaInterface> m_webViews;
	std::unique_ptr<host::ParticleEffects> m_particles;
	std::unique_ptr<host::Aiming> m_aiming;
	std::unique_ptr<Compositor> m_compositor;
	std::unique_ptr<host::ScoresAndAchievements> m_gameCenter;

	/** Registers every area's rows (api/<Area>Api.cpp), one call per area, in the scripts' order. */
	void registerApi();

	/**
	 * Frame step 1: starts the stopped audio output when the application
	 * wants audio and "settings"."root"."audioEnabled" is true.
	 * @exception lang::Exception When the device refuses to start.
	 */
	void restartAudio();

	/** The application's wheel zoom and sound wish, or null when the host runs without one. */
	host::Shell* shell() const { return m_shell; }

	/** The platform interface of the application. */
	framework::OSInterface* os() const;

	/** The background downloads; made before the rows are registered, stopped first in the destructor. */
	std::unique_ptr<host::BackgroundDownloads> m_downloads;

	/** Holds the save folder until the last save is written: made before the rows, dropped first. */
	std::unique_ptr<host::SaveTables> m_saveTables;

	GameLua(GameLua const&) = delete;
	GameLua& operator=(GameLua const&) = delete;
};
