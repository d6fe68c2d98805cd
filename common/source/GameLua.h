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

namespace io
{
class FileLock;
}

namespace lua
{
class LuaState;
class WebViewLuaInterface;
}

class BackgroundDownloads;
class Compositor;
class HostParticles;
class Themes;

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
struct CompoundDescription;
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

	// --- Physics world (PhysicsWorldHost.cpp) ---------------------------------

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

	/** Rolling sound level of the frame for material 1 (wood), 2 (rock) or 3 (light); 0 otherwise. */
	float rollingLevel(int material) const;

	/**
	 * Play id of the rolling clip of material 1 (wood), 2 (rock) or 3
	 * (light) from its last start; -1 before any start and for other
	 * materials.
	 */
	int rollingClip(int material) const;

	/** Physics-disabled counter; the world runs only at 0. 1 after construction. */
	int physicsDisabledCount() const { return m_settings.physicsDisabled; }

	/** Unprocessed simulation time in seconds. */
	float accumulator() const { return m_accumulator; }

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

	// --- Level and save files (api/LevelFileApi.cpp, LevelLoader.cpp,
	//     LevelWriter.cpp, SaveFiles.cpp) -----------------------------------

	/**
	 * Runs the shipped Lua source file (path under the application's data
	 * path, see ShippedFile) with the host table as its environment and the
	 * file's bundle path as chunk name, calls the script function
	 * "updateValues" and marks the game logic compiled. A file that cannot be
	 * read, compiled ("Error while compiling Lua: {0}") or run, or a failing
	 * "updateValues", is logged and recorded in failedFiles().
	 */
	void compile(std::string const& file);

	/** True once compile() has succeeded. */
	bool isCompiled() const { return m_compiled; }

	/**
	 * Reads the shipped Lua table text file (path under the application's
	 * data path) into: the host table itself when table is empty; else a new
	 * table stored as the host-table entry table (intoBlocks false), as the
	 * entry table of "blockTable" (intoBlocks true, viaBlockList false) or
	 * merged into the block list of "blockTable" (both true: each of its
	 * tables is stored under its key in "blocks"). A failure is logged and
	 * recorded in failedFiles(); then no entry changes.
	 */
	void loadLuaFile(std::string const& file, std::string const& table, bool intoBlocks = false, bool viaBlockList = false);

	/**
	 * Raw, (file, target, key): reads the shipped file; with a non-empty key
	 * into a new table whose "gamelua" is the host table, stored as
	 * target[key]; with an empty key into target itself. No results.
	 * @exception lua::LuaException The type-check message for an argument
	 *            that is not a string, table, string in that order.
	 * @exception lang::Throwable The shipped file's failure (ShippedFile::read).
	 */
	int loadLuaFileToObject(lua::LuaState* state);

	/**
	 * True when the bundle file (path under the application's data path)
	 * opens.
	 * @exception io::IOException The open failure for a missing file
	 *            (scripts rely on the error).
	 */
	bool checkForLuaFile(std::string const& file);

	/**
	 * Sets "blockEditorTable" to the host's editor table and reads the
	 * fourteen plain-text block files "scriptPath" + "/blocks_*.lua", ...
	 * of the bundle into it, each under its own key.
	 * @exception lang::Throwable A file that cannot be opened or read.
	 */
	void loadBlocksForEditing();

	/**
	 * Loads the shipped level name (+ ".lua", under the application's data
	 * path) as "loadedObjects" and applies the host table's
	 * "worldAttributes". The loading flag is cleared on every exit.
	 * @exception lang::Throwable The shipped file's failure; "Level {0} holds
	 *            filename {1} instead of {2}" (before "loadedObjects"
	 *            changes); the table getter's failure when "worldAttributes"
	 *            is not a table (after).
	 */
	void loadLevel(std::string const& name);

	/**
	 * As loadLevel but without a file: the gravity force multiplier comes
	 * from "previousLevel" of "objects" when it holds one, and the
	 * starting-camera flag is cleared whatever the name.
	 * @exception lang::Throwable When "worldAttributes" is not a table.
	 */
	void loadPreviousLevel(std::string const& name);

	/**
	 * Writes the level of "objects" as plain Lua table text to the app-data
	 * file name + ".lua" under the application's data path, creating its
	 * folders. Never throws: a failure logs "Failed to save {0}: {1}" and
	 * keeps the previous file.
	 */
	void saveLevel(std::string const& name);

	/** Builds the same level table (less gravity and triggers) as "previousLevel" of "objects". */
	void saveLevelForReload(std::string const& name);

	/**
	 * A new table filled from the save file name of the app-data folder
	 * (see SaveFile::read: enciphered or plain text); empty when the file is
	 * missing, unreadable or its text does not compile or run (never half
	 * filled). A file that exists but cannot be used is set aside
	 * (SaveFile::setAside), so the saves that follow do not replace it.
	 * Never throws for a bad file.
	 */
	lua::LuaTable loadPersistentFile(std::string const& name);

	/**
	 * Writes the host-table entry table enciphered to the app-data file.
	 * Never throws: when the entry is not a table or the write fails, logs
	 * "Failed to save {0}: {1}" and keeps the previous file.
	 */
	void savePersistentLuaFile(std::string const& file, std::string const& table);

	/** As savePersistentLuaFile, enciphered only when encrypt is true. */
	void saveLuaFile(std::string const& file, std::string const& table, bool encrypt);

	/** Do nothing. */
	void storePersistentData();
	void createDirectory(std::string const& path);

	/** False. */
	bool checkDirectory(std::string const& path);

	/**
	 * Unless "deviceModel" is "osx", "windows" or not a string, loads
	 * "gamepurchases.lua", "talonpurchases.lua" and "episodepurchases.lua"
	 * into "g_gamePurchasesTable", "g_talonPurchasesTable" and
	 * "g_episodePurchasesTable".
	 */
	void loadPurchases();

	/**
	 * Calls the script function "createStartUpAssets", then limits the clips
	 * each track of the audio output plays at once: track 1 to 4, 2 to 6, 3
	 * to 3, 4 and 5 to 5. Without an audio output the limits are skipped
	 * (logged).
	 * @exception lang::Throwable From the call.
	 */
	void createAssets();

	/**
	 * Tells the scripts that file failed to load: calls the host-table entry
	 * "onLoadLuaFileFail" with the name when the scripts defined it, else
	 * logs the file and goes on.
	 * @exception lang::Throwable From the script handler.
	 */
	void onLoadLuaFileFail(std::string const& file);

	/** Files that failed to load since the last clearFailedFiles(), in order. */
	std::vector<std::string> const& failedFiles() const { return m_failedFiles; }

	/** Empties failedFiles(). */
	void clearFailedFiles() { m_failedFiles.clear(); }

	/** The name given to the last loadLevel; empty before. */
	std::string const& levelName() const { return m_levelName; }

	/** True only while loadLevel or loadPreviousLevel runs. */
	bool isLoadingLevel() const { return m_settings.loadingLevel; }

	/** The gravity force multiplier; 4 at start, set by the level loader. */
	float gravityForceMultiplier() const { return m_settings.gravityForceMultiplier; }

	/** The level's simulation settings (host/WorldSettings.h). */
	using SimulationSettings = ::SimulationSettings;

	/** The simulation settings of the loaded level. */
	SimulationSettings const& simulationSettings() const { return m_settings.simulation; }

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

	// --- World forces (api/WorldForceApi.cpp) ----------------------------------

	/**
	 * Raw: (enabled [, requester]). The empty requester is one on/off switch
	 * (repeats do not stack); a named requester counts its calls.
	 * @exception lua::LuaException Type-check error for a non-boolean first or non-string second argument.
	 */
	int setPhysicsEnabled(lua::LuaState* state);
	/** True when the physics-disabled counter is 0. */
	bool isPhysicsEnabled();

	/**
	 * Gravity force multiplier, delta-time multiplier, physics simulation scale.
	 * @exception lua::LuaException A value that is not finite (the
	 *            delta-time multiplier also when negative; 0 pauses).
	 */
	void setGravityForceMultiplier(float multiplier);
	float getGravityForceMultiplier();
	void setDeltaTimeMultiplier(float multiplier);
	float getDeltaTimeMultiplier();
	void setPhysicsSimulationScale(float scale);
	/** The world's gravity; sleeping bodies stay asleep. @exception lua::LuaException Not finite. */
	void setWorldGravity(float x, float y);

	// Per-object settings of the gravity sensors; an unknown name logs
	// "Body name : %s" and changes nothing.
	/** @exception lua::LuaException A force that is not finite. */
	void setSensorMinimumAndMaximumForces(std::string const& name, float minForce, float maxForce);
	void setSensorGravityMask(std::string const& name, int mask);
	void setObjectGravityCategory(std::string const& name, int category);
	void setRecordVelocity(std::string const& name, bool record);
	void setRevertGravity(std::string const& name, bool revert);
	/** @exception lua::LuaException A multiplier or speed limit that is not finite. */
	void setRevertGravityWithMultiplier(std::string const& name, bool revert, float multiplier, float speedLimit);

	// --- Gravity sensors (SensorForce.cpp) --------------------------------------

	/**
	 * One physics step's force of sensor on object: toward a point sensor's
	 * centre or along a line sensor's local y axis, falling off linearly from
	 * the maximum at the centre to the minimum at the edge, times a tenth of
	 * the object's mass; flyers and reverting objects get their factors. Only
	 * a dynamic body is pushed (and woken). Nothing for a sensor of another
	 * type, a filtered pair, a point radius in (-1, 0], a line length <= 0, or
	 * a force that is not finite.
	 */
	void applySensorForceToObject(RenderObjectData* sensor, RenderObjectData* object);

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

	// --- Scene objects (host/SceneObjects.h, api/SceneObjectApi.cpp; setters in api/ObjectSetters.cpp)
	// A missing name logs (where noted "Body name : %s") and changes nothing;
	// getters then give 0. Numbers bound for the physics world must be finite
	// (else lua::LuaException "<function>: <what> of "<name>" is <value>").

	void applyImpulse(std::string const& name, float ix, float iy, float px, float py);
	void applyForce(std::string const& name, float fx, float fy, float px, float py);
	void setPosition(std::string const& name, float x, float y);
	void setRotation(std::string const& name, float angle);
	void setSpriteRotation(std::string const& name, float angle);
	/** Reads blocks[world[name].definition].decorations; a second call replaces the first. */
	void setDecorationObjects(std::string const& name);
	void setPivotOffset(std::string const& name, float x, float y);
	void setScale(std::string const& name, float sx, float sy);
	void setVelocity(std::string const& name, float vx, float vy);
	void setAngularVelocity(std::string const& name, float w);
	float getAngularVelocity(std::string const& name);
	float getVelocity(std::string const& name);
	/** Raw: (name) -> vx, vy. */
	int getLinearVelocity(lua::LuaState* state);
	void setFixedRotationForBody(std::string const& name, bool fixed);
	void setAngularDampingForBody(std::string const& name, float damping);
	void setLinearDampingForBody(std::string const& name, float damping);
	void setAsSensor(std::string const& name, bool sensor);
	void multiplyVelocity(std::string const& name, float factor);
	void setVisible(std::string const& name, bool visible);
	/** "wood" 1, "rock" 2, "light" 3, "propeller" 4, "immovable" 5; others change nothing. */
	void setMaterial(std::string const& name, std::string const& material);
	void setTextureScale(std::string const& name, float scale);
	void setSleeping(std::string const& name, bool sleeping);
	void setActive(std::string const& name, bool active);
	/** Numbered parameters 1 to 35; other ids change nothing. */
	void setObjectParameter(std::string const& name, float id, float value);
	void setCollisionEnabled(std::string const& name, bool enabled);
	void setLevelLimits(float minX, float minY, float maxX, float maxY);
	float getAngle(std::string const& name);

	// --- Compound bodies (api/CompoundBodyApi.cpp) ---------------------------------

	/**
	 * A shape of the pending compound list, kept as plain copies (never a
	 * library shape, so no outline can reach the library's checks).
	 */
	struct CompoundShape
	{
		enum Kind
		{
			BOX,
			POLYGON,
			EDGE,
			CIRCLE
		};
		Kind kind = BOX;
		/** Polygon points, or an edge's two points. */
		std::vector<b2Vec2> points;
		/** Centre of a box or circle. */
		b2Vec2 centre = b2Vec2_zero;
		/** Half width and half height of a box. */
		b2Vec2 halfExtents = b2Vec2_zero;
		/** Angle of a box (radians). */
		float angle = 0.f;
		/** Radius of a circle. */
		float radius = 0.f;
	};

	/**
	 * Raw: (description) -> nothing. Makes one scene object of type
	 * "compound" whose body carries every part's fixtures (concave polygon
	 * parts cut into convex pieces). The whole description is read and
	 * checked before anything changes; a live object of the name is replaced;
	 * inside a physics step the creation waits for the step to end. A part
	 * whose shape the physics layer refuses (a box or circle of no size, a
	 * degenerate piece or edge, an outline that cannot be triangulated) gets
	 * no fixture and a log line; the other parts are kept.
	 * @exception lua::LuaException The type-check error when the description
	 *            is not a table; the table getter's error when "material" or
	 *            "children" is not a table; a number that is not finite
	 *            (naming the compound and part); a density below 0.
	 */
	int createCompoundBodyFromTable(lua::LuaState* state);

	/** Empties the pending compound list (shapes and names). */
	void clearShapesArray();
	/** Appends name and a box of half-extents width / 2, height / 2 centred at (x, y), rotated by angle. */
	void addBoxToCompoundListLua(std::string const& name, float x, float y, float angle, float width, float height);
	/** Appends name and a polygon of the addVertex points moved by (x, y); the last three numbers are not used. */
	void addPolygonToCompoundListLua(std::string const& name, float x, float y, float a, float b, float c);
	/** Appends name and an edge per consecutive pair of the addVertex points moved by (x, y); the last three numbers are not used. */
	void addLineToCompoundListLua(std::string const& name, float x, float y, float a, float b, float c);
	/** Appends name and a circle of radius centred at (x, y); a is not used. */
	void addCircleToCompoundListLua(std::string const& name, float x, float y, float a, float radius);
	/** No effect. */
	void setCompoundShapeLinearDamping(std::string const& name, float value);
	/** No effect. */
	void setCompoundShapeParameter(std::string const& name, float a, float b);
	/** No effect (nothing turns the pending list into a body). */
	void createCompoundObject(std::string const& name, float x, float y, float a, float b, float c, float d, bool e,
		bool f, float g);

	/** The pending compound list: its shapes and its names, as appended. */
	std::vector<CompoundShape> const& compoundShapes() const { return m_compoundShapes; }
	std::vector<std::string> const& compoundShapeNames() const { return m_compoundShapeNames; }

	// --- Aiming aid and trails (host/Aiming.h, api/AimingApi.cpp) ---------------

	/** One recorded trail (host/Aiming.h). */
	using TrajectoryData = ::TrajectoryData;
	static constexpr int NumTrajectories = Aiming::NumTrajectories;

	/** The aiming aid: the flight prediction, the aiming stream and the recorded trails. */
	Aiming& aiming() { return *m_aiming; }

	// --- Particles (host/HostParticles.cpp, api/ParticlesApi.cpp) ---------------

	/** The particles area; it owns the scripts' particle object "particles", made by the constructor. */
	HostParticles& particles() { return *m_particles; }

	// --- World queries (api/WorldQueryApi.cpp) ---------------------------------

	/** Raw: ({x, y, left, right, down, up}) -> names of the bodies whose proxies overlap the box. */
	int getIntersectingObjects(lua::LuaState* state);
	/** Raw: ({x1, y1, x2, y2}) -> name, x, y, normal x, normal y, fraction per hit. */
	int getRayCastedObjects(lua::LuaState* state);
	/** Raw: (name, x, y) -> the local point in world coordinates. */
	int getWorldPoint(lua::LuaState* state);
	/** Raw: (name, x, y) -> the world point in the object's frame. */
	int getLocalPoint(lua::LuaState* state);

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
	bool m_compiled;
	std::unique_ptr<ScriptUtilities> m_scriptUtilities;
	std::unique_ptr<HostTally> m_tally;
	std::vector<std::string> m_failedFiles;

	std::unique_ptr<SceneObjects> m_scene;
	std::vector<CompoundShape> m_compoundShapes;
	std::vector<std::string> m_compoundShapeNames;
	float m_accumulator;
	int m_snapshotIndex;
	std::map<std::string, int> m_physicsDisableOwners;
	float m_rollingLevel[3];
	int m_rollingClip[3];
	std::unique_ptr<Joints> m_joints;

	lua::LuaTable m_blockEditorTable;
	lua::LuaTable m_deadBlocks;
	lua::LuaTable m_worldAttributes;
	std::string m_levelName;

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
	void registerWorldForceApi();
	void registerWorldQueryApi();
	void registerCompoundBodyApi();

	// Physics world and frame steps (PhysicsWorldHost.cpp, PhysicsStep.cpp).
	/** Frame step 7: the fixed steps, interpolation and destruction timers. */
	void stepPhysics(float dt, long long& micros);
	/** Frame step 9: writes awake objects' state and the moving and awake flags. */
	void objectPass(float dt);
	/**
	 * Frame step 1: starts the stopped audio output when the application
	 * wants audio and "settings"."root"."audioEnabled" is true.
	 * @exception lang::Exception When the device refuses to start.
	 */
	void restartAudio();
	/**
	 * Frame step 11: each material's looping rolling clip on track 2
	 * follows its level (started, its volume set, or stopped by name at 0).
	 * Nothing happens without an audio output.
	 */
	void playRollingSounds();
	/** Runs change on the named record now, or after the world's current operation when busy; a missing name logs "Body name : %s". */
	void changeObject(std::string const& name, std::function<void(RenderObjectData&)> change);
	/** Builds a compound object whose description createCompoundBodyFromTable read and checked (api/CompoundBodyApi.cpp). */
	void buildCompound(CompoundDescription const& description);


	// Contacts, sensors and joints.
	/** Puts table into "deadBlocks" under name (ContactRules::handToDeadBlocks). */
	void handToDeadBlocks(std::string const& name, lua::LuaTable const& table) { m_contactRules->handToDeadBlocks(name, table); }
	/** Frame step 7.3.2: every awake non-flyer object gets the forces of the sensors it is inside. */
	void applySensorForces();

	/** The application's wheel zoom and sound wish, or null when the host runs without one. */
	HostShell* shell() const { return m_shell; }

	/** The platform interface of the application. */
	framework::OSInterface* os() const;

	/** Logs the failure and records file in failedFiles(). */
	void fileFailed(std::string const& file, std::string const& error);

	/** The level and save files' rows (api/LevelFileApi.cpp). */
	void registerLevelFileApi();

	/** Writes the host-table entry table to file; logs "Failed to save {0}: {1}" instead of throwing. */
	void saveTable(std::string const& file, std::string const& table, bool encrypt);

	/** Loading steps 2 to 4 shared by loadLevel and loadPreviousLevel: counters, flag, dead blocks, objects removed. */
	void beginLevelLoad();

	/**
	 * Removes the level's scene: every object record with its body, the
	 * per-level maps and lists; resets the physics world when physics is
	 * deterministic.
	 */
	void clearLevelObjects();

	/** Applies the host table's "worldAttributes"; keepMultiplier when the level set the gravity multiplier. */
	void applyWorldAttributes(bool keepMultiplier);

	/** The level table of "objects" that saveLevel (forReload false) or saveLevelForReload writes. */
	lua::LuaTable buildLevelTable(bool forReload);

	/** True when "deviceModel" is a string other than "osx" and "windows". */
	bool hasPurchaseFiles() const;

	/** The background downloads; made before the rows are registered, stopped first in the destructor. */
	std::unique_ptr<BackgroundDownloads> m_downloads;

	/** This process's hold on the save folder (SaveFile::lockFolder), kept until the last save is written. */
	std::unique_ptr<io::FileLock> m_saveFolderLock;

	GameLua(GameLua const&) = delete;
	GameLua& operator=(GameLua const&) = delete;
};
