#include "GameLua.h"
#include <api/DownloadApi.h>
#include <host/BackgroundDownloads.h>
#include <api/AimingApi.h>
#include <api/SceneApi.h>
#include "Compositor.h"
#include <host/RenderObjectData.h>
#include <api/GameCenterApi.h>
#include <api/ThemeApi.h>
#include <host/Themes.h>
#include <api/ScriptDrawingApi.h>
#include <api/AdApi.h>
#include <api/NotificationApi.h>
#include <api/ScriptUtilApi.h>
#include <api/StoreApi.h>
#include <api/TallyApi.h>
#include <api/VideoApi.h>
#include <host/Notifications.h>
#include <host/Tally.h>
#include <host/Video.h>
#include <host/ScriptUtilities.h>
#include <api/JointApi.h>
#include <api/LevelFileApi.h>
#include <host/Levels.h>
#include <host/SaveTables.h>
#include <api/ParticlesApi.h>
#include <api/CompoundBodyApi.h>
#include <api/WorldQueryApi.h>
#include <host/Compounds.h>
#include <host/WorldQueries.h>
#include <api/SceneObjectApi.h>
#include <host/ParticleEffects.h>
#include <api/WorldForceApi.h>
#include <host/PhysicsStepper.h>
#include <host/WorldForces.h>
#include <physics/PhysicsWorld.h>
#include <framework/App.h>
#include <gr/Context.h>
#include <lang/Debug.h>
#include <lua/LuaState.h>
#include <lua/webview/WebViewLuaInterface.h>
#include <pf/DeviceID.h>
#include <cstdio>

GameLua::GameLua(framework::App* app, game::Resources* resources, lua::LuaState* state, gr::Context* context,
	host::Shell* shell) :
	lua::LuaObject(state),
	m_app(app),
	m_shell(shell),
	m_context(context),
	m_resources(resources),
	m_keyPressed(state),
	m_keyReleased(state),
	m_keyHold(state),
	m_cursor(state),
	m_multitouchSweep(state),
	m_multitouchZoom(state),
	m_objects(state),
	m_blockTable(state),
	m_view(shell),
	m_core{*this, app, context, resources, m_view, shell, m_objects, m_blockTable},
	m_safeToQuit(false),
	m_downloads(new host::BackgroundDownloads(m_core))
{
	m_gameCenter.reset(new host::ScoresAndAchievements(m_core));
	m_themes.reset(new host::Themes(m_core));
	m_scriptDrawing.reset(new host::ScriptDrawing(m_core));
	// The platform glue's areas; their services are made below, in order.
	m_scriptUtilities = std::make_unique<host::ScriptUtilities>(m_core);
	m_tally = std::make_unique<host::Tally>(m_core);
	m_store = std::make_unique<host::Store>(m_core, *this);
	m_notifications = std::make_unique<host::Notifications>(m_core);
	m_video = std::make_unique<host::Video>(m_core, *this);
	m_scene.reset(new host::SceneObjects(m_core, this, this, this));
	m_setters = std::make_unique<host::ObjectSetters>(m_core, *m_scene, m_scriptDrawing->maskedImages());
	m_joints = std::make_unique<host::Joints>(m_core, *m_scene);
	m_scene->setClearedHook([this] { m_joints->clear(); });
	m_contactRules = std::make_unique<host::ContactRules>(m_core, *m_scene, *m_joints, m_settings);
	m_worldForces = std::make_unique<host::WorldForces>(m_core, m_settings, *m_scene);
	m_stepper = std::make_unique<host::PhysicsStepper>(m_core, *m_scene, *m_worldForces, *m_contactRules);

	m_compounds = std::make_unique<host::Compounds>(m_core, *m_scene);
	m_worldQueries = std::make_unique<host::WorldQueries>(*m_scene);

	m_particles.reset(new host::ParticleEffects(m_core));
	m_aiming = std::make_unique<host::Aiming>(m_core, *m_scene, m_settings, *m_worldForces);
	m_sceneDrawing = std::make_unique<host::SceneDrawing>(m_core, m_settings, *m_scene, *m_themes, m_scriptDrawing->maskedImages(),
		*m_particles, *m_aiming);
	m_saveTables = std::make_unique<host::SaveTables>(m_core);
	m_levels = std::make_unique<host::Levels>(m_core, m_settings, *m_scene, *m_themes, *m_scriptUtilities, *m_particles,
		*m_aiming);
	m_scene->setRemovedHook([this](std::string const& name) { m_joints->forgetObjectJoints(name); });
	registerApi();
	// The scripts' device identifier: the hash of the hardware address.
	setString("uniqueDeviceId", lang::Ptr<pf::DeviceID>(new pf::DeviceID())->getDeviceIDHash());
	m_aiming->clearTrajectories();

	setNumber("screenWidth", static_cast<float>(m_context->width()));
	setNumber("screenHeight", static_cast<float>(m_context->height()));
	setTable("keyPressed", m_keyPressed);
	setTable("keyReleased", m_keyReleased);
	setTable("keyHold", m_keyHold);
	setTable("cursor", m_cursor);
	setTable("multitouchSweep", m_multitouchSweep);
	setTable("multitouchZoom", m_multitouchZoom);
	m_multitouchZoom.setNumber("zoomCoolingTime", -1.f);
	setTable("clippedText", m_scriptDrawing->text().clippedText());
	setTable("objects", m_objects);

	m_scene->resetPhysicsWorld(b2Vec2(0.f, 0.f), true);

	// The folder is this process's before any save is read from it.
	m_saveTables->lockFolder();
	m_saveTables->loadGameTables();

	setTable("blockTable", m_blockTable);
	m_blockTable.setTable("blocks", lua::LuaTable(state));

	m_particles->open();

	// The platform services, the store last but for the web views.
	m_video->open();
	m_notifications->openSettings();
	m_notifications->open(*this);
	m_store->open();
	setBoolean("g_iapEnabled", true);
	m_webViews = new lua::WebViewLuaInterface(app, state);
}

GameLua::~GameLua()
{
	// The download workers stop first: they may still hand results over.
	m_downloads.reset();
	m_saveTables->saveAll();
	m_scene->clearObjects();
	m_scene.reset();
}


void GameLua::registerApi()
{
	host::registerScriptUtilApi(*this, *m_scriptUtilities, *m_tally);
	host::registerLevelFileApi(*this, *m_levels, *m_saveTables);
	host::registerWorldForceApi(*this, *m_worldForces);
	host::registerSceneObjectApi(*this, *m_scene, *m_setters);
	host::registerWorldQueryApi(*this, *m_worldQueries);
	host::registerStoreApi(*this, *m_store);
	host::registerNotificationApi(*this, *m_notifications);
	host::registerVideoApi(*this, *m_video);
	host::registerTallyApi(*this, *m_tally);
	host::registerAdApi(*this, *m_scriptUtilities);
	host::registerCompoundBodyApi(*this, *m_compounds);
	host::registerJointApi(*this, *m_joints);
	host::registerSceneApi(*this, *m_sceneDrawing, m_view, *m_themes);
	host::registerThemeApi(*this, *m_themes);
	host::registerDownloadApi(*this, *m_downloads);
	host::registerParticlesApi(*this, *m_particles);
	host::registerAimingApi(*this, *m_aiming);
	host::registerScriptDrawingApi(*this, *m_scriptDrawing);
	host::registerGameCenterApi(*this, *m_gameCenter);
}

void GameLua::SayGoodbye(b2Fixture*)
{
}

void GameLua::SayGoodbye(b2Joint* joint)
{
	m_joints->jointDestroyed(joint);
}

bool GameLua::ShouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB)
{
	return m_contactRules->shouldCollide(fixtureA, fixtureB);
}

void GameLua::BeginContact(b2Contact* contact)
{
	m_contactRules->beginContact(contact);
}

void GameLua::EndContact(b2Contact* contact)
{
	m_contactRules->endContact(contact);
}

void GameLua::paymentFinished(std::string const& id, PaymentStatus status, pf::Commerce::CommerceError error)
{
	m_store->paymentFinished(id, status, error);
}

void GameLua::initFinished(PaymentProviderStatus status)
{
	m_store->initFinished(status);
}

void GameLua::getPurchaseHistoryFinished(std::string const& id)
{
	m_store->getPurchaseHistoryFinished(id);
}

void GameLua::notificationReceived(std::string const& eventName)
{
	m_notifications->notificationReceived(eventName);
}

void GameLua::videoPlayEnded()
{
	m_video->videoPlayEnded();
}

framework::OSInterface* GameLua::os() const
{
	return m_app->os();
}
