#pragma once

#include <SheetGroups.h>
#include <host/ScriptDrawing.h>
#include <box2d/box2d.h>
#include <host/ContactRules.h>
#include <host/HostCore.h>
#include <host/WorldSettings.h>
#include <host/HostGameCenter.h>
#include <host/HostStore.h>
#include <host/HostView.h>
#include <host/Joints.h>
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

class AimStream;
class BackgroundDownloads;
class Compositor;
class HostParticles;
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

	// --- View state and scene drawing (api/SceneApi.cpp) ---------------------

	/** Number of draw depths: objects of depth 0 to DRAW_DEPTHS - 1 are drawn. */
	static constexpr int DRAW_DEPTHS = 170;

	/**
	 * Draws the objects depth by depth, sheet group by sheet group (in the
	 * order each sheet first entered the depth), names in order, through
	 * the context's 2D render state; the foreground layers go just before
	 * depth fgZ (none for fgZ outside the depths). A name without a record
	 * is skipped with a log line; an object without sprite logs "Sprite is
	 * missing for %s"; a placement with a zero or non-finite divisor or
	 * value draws nothing.
	 */
	void drawGame(int fgZ);

	/** Places and draws one object's sprite or composite sprite; scaled by the object's scale unless unscaled. */
	void drawCompoOrNormalSprite(RenderObjectData& object, bool unscaled);

	void setEditing(bool editing);

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
	/**
	 * The object is drawn textured: its sprite cut out of the sheet's image
	 * tiled (textureName := sheet, textureImage := the sheet's image, none
	 * for an unknown sheet); makes the sheet's masked image.
	 */
	void setTexture(std::string const& name, std::string const& sheet);
	/**
	 * drawGame's textured branch: adds the object's sprite to its texture's
	 * masked image; false when it has no sprite, texture image or usable
	 * scales (nothing added).
	 */
	bool addTextured(RenderObjectData& object);

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

	// --- Scene objects (api/SceneObjectApi.cpp; setters in api/ObjectSetters.cpp)
	// A missing name logs (where noted "Body name : %s") and changes nothing;
	// getters then give 0. Numbers bound for the physics world must be finite
	// (else lua::LuaException "<function>: <what> of "<name>" is <value>").

	/** Box of width x height around (x, y); static at density 0 or 100. */
	void createBoxLua(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
		float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order);
	/** Circle of radius at (x, y); static at density 0. */
	void createCircleLua(std::string const& name, std::string const& sprite, float x, float y, float radius,
		float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order);
	/** Convex polygon of the 3 to 8 points of addVertex (a concave outline becomes its hull, logged). */
	void createPolygonLua(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
		float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order);
	/** Chain of edges between consecutive points of addVertex. */
	void createLineShapeLua(std::string const& name, std::string const& sprite, float x, float y, float width, float height,
		float density, float friction, float restitution, bool collisionEnabled, bool inactive, float z_order);
	void clearVertices();
	void addVertex(float x, float y);
	/** Removes the object with its body from every registry, draw list and sensor list. */
	void removeObject(std::string const& name);
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
	/**
	 * Looks the sprite up as creation does (a composite first, else the
	 * resources' plain sprite; null allowed) and moves the name to the end
	 * of the new sheet's draw list when the sheet changes.
	 */
	void setSprite(std::string const& name, std::string const& sprite);

	/** Enters every table B of every table T of groups as blocks[B.definition] (with B.index, B.group). */
	void addToBlocksTable(lua::LuaTable const& groups);

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

	// --- Aiming aid and trails (AimStream.cpp, api/AimingApi.cpp) ---------------

	/** Two trails are kept: the one being recorded and the previous one. */
	static constexpr int NumTrajectories = 2;

	/** One recorded trail: its points (world coordinates), an optional puff and their sprites. */
	struct TrajectoryData
	{
		std::vector<math::float2> points;
		bool hasPuff = false;
		float puffX = 0.f;
		float puffY = 0.f;
		std::string normalTrailSprite;
		std::string specialTrailSprite;
	};

	/**
	 * Predicts the flight of "FlyerSimulation" (free flight under gravity
	 * and the aiming sensors it overlaps), appends every sampler-th position
	 * to the simulation trajectory and hands that to the aiming stream.
	 * Nothing while the physics is disabled, for a step that is not finite
	 * and positive, or without that object's body (logged); a step whose
	 * result is not finite ends the prediction with the points so far and
	 * the body as it was before that step. A sampler below 1 counts as 1.
	 */
	void updateFlyerTrajectoryTable();
	void ClearSimulationTrajectory() { m_simulationTrajectory.clear(); }
	void populateAimingAid();
	/** Records the named object's body (logged when unknown); each prediction clears it. */
	void setSelectedFlyerDuringSimulation(std::string const& name);
	void enableAimingAid(bool enabled) { m_aimingAidEnabled = enabled; }
	/** The prediction's length in seconds: the level's simulationIterations x the base step (0 before any level). */
	float getAimingTime();
	/** Thins the stream from the flyer's end and stops spawning. */
	void clearAimingAid(float fraction);
	/** @exception lua::LuaException An empty name; the old name stays. */
	void setAimingAidSprite(std::string const& name);
	/** Switches to the other trail and empties it. */
	void startNewTrajectory();
	/** Appends x, y to the current trail (a is not used). */
	void addToTrajectory(float a, float x, float y);
	/** Sets the current trail's puff (a is not used). */
	void addPuffToTrajectory(float a, float x, float y);
	void setNormalTrailSprite(std::string const& name);
	void setSpecialTrailSprite(std::string const& name);
	/** Draws both trails at their world places: sets the 2D translation (-left, -top) and scale (world scale) itself. */
	void drawTrajectories();
	/** Draws the stream when it is ready, then switches its spawning to the aiming-aid flag. */
	void drawSimulationTrajectory();
	/** Two empty trails, the first one current. */
	void clearTrajectories();

	AimStream& aimStream() { return *m_aimStream; }
	std::vector<math::float2> const& simulationTrajectory() const { return m_simulationTrajectory; }
	std::vector<TrajectoryData> const& trajectories() const { return m_trajectories; }
	int currentTrajectoryIndex() const { return m_currentTrajectoryIndex; }
	bool aimingAidEnabled() const { return m_aimingAidEnabled; }
	b2Body* selectedFlyerBody() const { return m_selectedFlyerBody; }

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
	std::unique_ptr<WorldForces> m_worldForces;
	std::unique_ptr<PhysicsStepper> m_stepper;
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
	std::vector<math::float2> m_simulationTrajectory;
	bool m_aimingAidEnabled;
	lang::Ptr<AimStream> m_aimStream;
	b2Body* m_selectedFlyerBody;
	std::vector<TrajectoryData> m_trajectories;
	int m_currentTrajectoryIndex;
	std::unique_ptr<Compositor> m_compositor;
	std::unique_ptr<HostGameCenter> m_gameCenter;

	/** Registers every area's rows, one call per area. */
	void registerApi();

	/** Each area's rows (api/<Area>Api.cpp). */
	void registerSceneObjectApi();
	void registerWorldQueryApi();
	void registerCompoundBodyApi();
	void registerSceneApi();
	void registerAimingApi();
	/** The base step of the prediction: objects.currentTimeStep when a number, else 1/35. */
	float aimingBaseStep();
	/** The current trail. */
	TrajectoryData& getCurrentTrajectory();

	// Frame steps.
	/**
	 * Frame step 1: starts the stopped audio output when the application
	 * wants audio and "settings"."root"."audioEnabled" is true.
	 * @exception lang::Exception When the device refuses to start.
	 */
	void restartAudio();
	/** Shared creation of the four shape kinds (SceneObjectApi.cpp). */
	void createObject(int kind, std::string const& name, std::string const& sprite, float x, float y, float width,
		float height, float radius, float density, float friction, float restitution, bool collisionEnabled,
		bool inactive, float z_order);
	/** Runs change on the named record now, or after the world's current operation when busy; a missing name logs "Body name : %s". */
	void changeObject(std::string const& name, std::function<void(RenderObjectData&)> change);
	/** Builds an object whose arguments createObject checked. */
	void buildObject(int kind, std::string const& name, std::string const& sprite, float x, float y, float width,
		float height, float radius, float density, float friction, float restitution, bool collisionEnabled,
		bool inactive, float z_order, std::vector<b2Vec2> const& points);
	/** Removes one record now (the world must not be busy). */
	void removeObjectNow(std::string const& name);
	/** Builds a compound object whose description createCompoundBodyFromTable read and checked (api/CompoundBodyApi.cpp). */
	void buildCompound(CompoundDescription const& description);
	/** Takes name out of the draw list it lies in. */
	void removeFromDrawLists(RenderObjectData* object);
	/** Looks the object's sprite or composite sprite up by its sprite name (polygons and lines in the sheet of that name). */
	void findObjectSprite(RenderObjectData& object, int kind);
	/** The draw key of the object: its sprite's sheet (a composite's first part's), or null. */
	static game::SpriteSheet const* drawKey(RenderObjectData const& object);

	// Scene drawing helpers (api/SceneApi.cpp).
	/** Draws the parts of a compound object. */
	void drawCompound(RenderObjectData& object);
	/** Draws an object's decorations. */
	void drawDecorations(RenderObjectData& object);


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
