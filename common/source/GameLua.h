#pragma once

#include <SheetGroups.h>
#include <host/ScriptDrawing.h>
#include <box2d/box2d.h>
#include <host/ContactRules.h>
#include <host/Aiming.h>
#include <host/HostCore.h>
#include <host/WorldSettings.h>
#include <host/HostGameCenter.h>
#include <host/HostStore.h>
#include <host/HostView.h>
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

class BackgroundDownloads;
class Compositor;
class HostParticles;
class Levels;
class SaveTables;
class PhysicsStepper;
class Themes;
class WorldForces;

namespace physics
{
class PhysicsWorld;
}

namespace game
{
class SpriteSheet;
}

class HostNotifications;
class HostTally;
class HostVideo;
class ScriptUtilities;

class HostShell;
class Compounds;
struct CompoundShape;
class WorldQueries;
struct DecorationData;
struct RenderObjectData;

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
 * The host owns the physics world (physics::PhysicsWorld) and listens to its
 * contacts, contact filtering and destructions through its three Box2D bases.
 * While the world is busy (a step, or a listener running), requests that
 * change bodies or objects are checked at once and run after the outermost
 * world operation (physics::PhysicsWorld::defer).
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
	 * save tables "highscores", "settings" and "bi_data" read from the
	 * app-data folder (empty tables for missing or damaged files), the
	 * particles, then the video player, settings, aiming stream,
	 * notifications, the store (after which "g_iapEnabled" is true) and last
	 * the web-view module. app, state and context are not owned and must
	 * outlive the host; the host holds a counted reference to resources, the
	 * resource manager its sounds and sprites go through. shell, when not
	 * null, is the application's wheel zoom and sound wish (not owned; it
	 * must outlive the host); without it those requests have no effect.
	 */
	GameLua(framework::App* app, game::Resources* resources, lua::LuaState* state, gr::Context* context,
		HostShell* shell = nullptr);

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

	/** The resource manager; not null. */
	game::Resources* resources() const { return m_resources; }

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

	/** One named scene object (host/RenderObjectData.h). */
	using RenderObjectData = ::RenderObjectData;
	/** Decoration settings of an object (host/RenderObjectData.h). */
	using DecorationData = ::DecorationData;

	// --- Physics world (host/SceneObjects.h, host/PhysicsStepper.h) ------------

	/**
	 * The scene's objects: the physics world (made by the constructor with
	 * gravity (0, 0) and sleep allowed, the host's three listeners behind it)
	 * and the object registry.
	 */
	SceneObjects& scene() { return *m_scene; }
	SceneObjects const& scene() const { return *m_scene; }

	/** A fixture is destroyed with its body: nothing to do. */
	void SayGoodbye(b2Fixture* fixture) override;
	/** A joint is destroyed with one of its bodies: the joints forget it (Joints::jointDestroyed). */
	void SayGoodbye(b2Joint* joint) override;

	/** The frame's physics: fixed steps, interpolation, the object pass and the rolling sounds. */
	PhysicsStepper& physicsStepper() { return *m_stepper; }

	/** Physics-disabled counter; the world runs only at 0. 1 after construction. */
	int physicsDisabledCount() const { return m_settings.physicsDisabled; }

	/** The frame time multiplier of the scripts; 1 by default. */
	float deltaTimeMultiplier() const { return m_settings.deltaTimeMultiplier; }

	// --- View state and scene drawing (host/SceneDrawing.h, api/SceneApi.cpp) ---

	/** Number of draw depths (host/SceneDrawing.h). */
	static constexpr int DRAW_DEPTHS = SceneDrawing::DRAW_DEPTHS;

	/** The scene pass: the objects depth by depth, the trails, the aiming stream and the world particles. */
	SceneDrawing& sceneDrawing() { return *m_sceneDrawing; }

	/** The world numbers and flags the areas share. */
	WorldSettings& settings() { return m_settings; }
	WorldSettings const& settings() const { return m_settings; }

	/** What the host's areas reach: the host table, application, context, resources, view, shell, own tables. */
	HostCore const& core() const { return m_core; }

	/** The view numbers: top-left point, world scale, physics simulation scale. */
	HostView& view() { return m_view; }
	HostView const& view() const { return m_view; }
	bool editing() const { return m_settings.editing; }

	// --- Themes and layers (host/Themes.h) --------------------------------------

	/** The themes and layers, the background colour and the reference camera. */
	Themes& themes() { return *m_themes; }

	// --- Script drawing (host/ScriptDrawing.h, api/ScriptDrawingApi.cpp) ---

	/** The script drawing area, with the masked images of textured objects. */
	ScriptDrawing& scriptDrawing() { return *m_scriptDrawing; }

	// --- Level and save files (host/Levels.h, host/SaveTables.h, api/LevelFileApi.cpp)

	/** The shipped Lua files, the game logic's compilation, the levels and the block editor's table. */
	Levels& levels() { return *m_levels; }

	/** The save files of the app-data folder, the purchase tables and this process's hold on the save folder. */
	SaveTables& saveTables() { return *m_saveTables; }

	/** The level's simulation settings (host/WorldSettings.h). */
	using SimulationSettings = ::SimulationSettings;

	// --- Script utilities (host/ScriptUtilities.h, api/ScriptUtilApi.cpp, api/AdApi.cpp)

	/** The scripts' small library, the game parameters and the advertisements. */
	ScriptUtilities& scriptUtilities() { return *m_scriptUtilities; }

	// --- Store (host/HostStore.h, api/StoreApi.cpp) --------------------------

	/** The product ids the store is made with, in order. */
	static constexpr char const* const (&sm_purchaseItemIds)[10] = HostStore::sm_purchaseItemIds;

	/** The store's outcomes go to the store area (HostStore). */
	void paymentFinished(std::string const& id, PaymentStatus status, pf::Commerce::CommerceError error) override;
	void initFinished(PaymentProviderStatus status) override;
	void getPurchaseHistoryFinished(std::string const& id) override;

	/** The in-app store. */
	HostStore& store() { return *m_store; }

	// --- Notifications (host/HostNotifications.h, api/NotificationApi.cpp) ----

	/** A fired notification goes to the notifications area (HostNotifications). */
	void notificationReceived(std::string const& eventName) override;

	/** The local notifications. */
	HostNotifications& notifications() { return *m_notifications; }

	// --- Video (host/HostVideo.h, api/VideoApi.cpp) ---------------------------

	/** The end of a video goes to the video area (HostVideo). */
	void videoPlayEnded() override;

	/** The full-screen video. */
	HostVideo& video() { return *m_video; }

	// --- Analytics (host/HostTally.h, api/TallyApi.cpp) -----------------------

	/** The analytics events and timer. */
	HostTally& tally() { return *m_tally; }

	// --- World forces (host/WorldForces.h, api/WorldForceApi.cpp) -------------

	/** The physics switch, the gravity, time and scale factors and the gravity sensors' forces. */
	WorldForces& worldForces() { return *m_worldForces; }

	// --- Contacts and damage (host/ContactRules) ---------------------------------

	/** The contact rules the Box2D listener and filter below forward to. */
	ContactRules& contactRules() { return *m_contactRules; }
	bool ShouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB) override
	{
		return m_contactRules->shouldCollide(fixtureA, fixtureB);
	}
	void BeginContact(b2Contact* contact) override { m_contactRules->beginContact(contact); }
	void EndContact(b2Contact* contact) override { m_contactRules->endContact(contact); }

	/** Sets the loading flag (isLoadingLevel): while it is set, contacts have no effect. */
	void setLoadingLevel(bool loading) { m_settings.loadingLevel = loading; }
	/** Set in editing mode: contacts only run their sensor step. */
	void setEditingMode(bool editing) { m_settings.editing = editing; }
	bool editingMode() const { return m_settings.editing; }

	// --- Joints (host/Joints.h, api/JointApi.cpp) -----------------------------------

	/** A joint between two objects (host/Joints.h). */
	using jointData = JointData;

	/** The joints between scene objects: joints, timed links and joints broken by impacts. */
	Joints& joints() { return *m_joints; }

	// --- Scene objects (host/SceneObjects.h; setters in host/ObjectSetters.h)
	// A missing name logs (where noted "Body name : %s") and changes nothing;
	// getters then give 0. Numbers bound for the physics world must be finite
	// (else lua::LuaException "<function>: <what> of "<name>" is <value>").

	/** The object setters and getters (host/ObjectSetters.h). */
	ObjectSetters& setters() { return *m_setters; }

	// --- Compound bodies (host/Compounds.h, api/CompoundBodyApi.cpp) -------------

	/** A shape of the pending compound list (host/CompoundShape.h). */
	using CompoundShape = ::CompoundShape;

	/** The compound bodies and the pending compound list. */
	Compounds& compounds() { return *m_compounds; }

	// --- Aiming aid and trails (host/Aiming.h, api/AimingApi.cpp) ---------------

	/** One recorded trail (host/Aiming.h). */
	using TrajectoryData = ::TrajectoryData;
	static constexpr int NumTrajectories = Aiming::NumTrajectories;

	/** The aiming aid: the flight prediction, the aiming stream and the recorded trails. */
	Aiming& aiming() { return *m_aiming; }

	// --- Particles (host/HostParticles.cpp, api/ParticlesApi.cpp) ---------------

	/** The particles area; it owns the scripts' particle object "particles", made by the constructor. */
	HostParticles& particles() { return *m_particles; }

	// --- World queries (host/WorldQueries.h, api/WorldQueryApi.cpp) -----------

	/** Objects in a box or along a ray, points between an object's frame and the world. */
	WorldQueries& worldQueries() { return *m_worldQueries; }

	// --- Game centre (host/HostGameCenter.h, api/GameCenterApi.cpp) ---------
	using ScoreData = ::ScoreData;
	using AchievementData = ::AchievementData;

	/** The game centre: the tables under "gameCenter" and the link's results. */
	HostGameCenter& gameCenter() { return *m_gameCenter; }

	// --- Background downloads (host/BackgroundDownloads.h, api/DownloadApi.cpp)

	/** The background downloads: URL bodies for the scripts, the main-menu advertisement, the game list. */
	BackgroundDownloads& downloads() { return *m_downloads; }

private:
	framework::App* m_app;
	HostShell* m_shell;
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
	std::unique_ptr<ScriptDrawing> m_scriptDrawing;
	lua::LuaTable m_blockTable;

	std::unique_ptr<Themes> m_themes;
	std::unique_ptr<SceneDrawing> m_sceneDrawing;
	HostView m_view;
	/** Made after the view and the host's tables it refers to. */
	HostCore m_core;
	/** The world numbers and flags the areas share. */
	WorldSettings m_settings;
	/** Made after the scene and the joints; outlives the scene (removing bodies ends contacts). */
	std::unique_ptr<ContactRules> m_contactRules;
	bool m_safeToQuit;
	std::unique_ptr<Levels> m_levels;
	std::unique_ptr<ScriptUtilities> m_scriptUtilities;
	std::unique_ptr<HostTally> m_tally;

	std::unique_ptr<SceneObjects> m_scene;
	std::unique_ptr<ObjectSetters> m_setters;
	std::unique_ptr<Compounds> m_compounds;
	std::unique_ptr<WorldQueries> m_worldQueries;
	std::unique_ptr<WorldForces> m_worldForces;
	std::unique_ptr<PhysicsStepper> m_stepper;
	std::unique_ptr<Joints> m_joints;

	std::unique_ptr<HostStore> m_store;
	std::unique_ptr<HostNotifications> m_notifications;
	std::unique_ptr<HostVideo> m_video;
	/** The scripts' WebView module, made last by the constructor. */
	lang::Ptr<lua::WebViewLuaInterface> m_webViews;
	std::unique_ptr<HostParticles> m_particles;
	std::unique_ptr<Aiming> m_aiming;
	std::unique_ptr<Compositor> m_compositor;
	std::unique_ptr<HostGameCenter> m_gameCenter;

	/** Registers every area's rows, one call per area. */
	void registerApi();

	/** Each area's rows (api/<Area>Api.cpp). */

	// Frame steps.
	/**
	 * Frame step 1: starts the stopped audio output when the application
	 * wants audio and "settings"."root"."audioEnabled" is true.
	 * @exception lang::Exception When the device refuses to start.
	 */
	void restartAudio();


	/** The application's wheel zoom and sound wish, or null when the host runs without one. */
	HostShell* shell() const { return m_shell; }

	/** The platform interface of the application. */
	framework::OSInterface* os() const;

	/** The background downloads; made before the rows are registered, stopped first in the destructor. */
	std::unique_ptr<BackgroundDownloads> m_downloads;

	/** Holds the save folder until the last save is written: made before the rows, dropped first. */
	std::unique_ptr<SaveTables> m_saveTables;

	GameLua(GameLua const&) = delete;
	GameLua& operator=(GameLua const&) = delete;
};
