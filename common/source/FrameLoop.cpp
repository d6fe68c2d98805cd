// The host's part of a frame: what it publishes to the scripts and the
// script calls it makes.
#include <host/BackgroundDownloads.h>
#include <host/Shell.h>
#include <GameLua.h>
#include <host/AimStream.h>
#include <Compositor.h>
#include <host/ParticleEffects.h>
#include <host/Levels.h>
#include <host/PhysicsStepper.h>
#include <host/Themes.h>
#include <audio/AudioOutput.h>
#include <framework/App.h>
#include <gr/Context.h>
#include <cstdio>

void GameLua::restartAudio()
{
	host::Shell* game = shell();
	audio::AudioOutput* output = m_resources->getAudioOutput();
	if (!game || !game->audioWanted() || !output || output->isStarted() || !isTable("settings"))
		return;
	lua::LuaTable settings = getTable("settings");
	if (settings.isTable("root") && settings.getTable("root").isBoolean("audioEnabled") &&
		settings.getTable("root").getBoolean("audioEnabled"))
		m_resources->startAudioOutput();
}

void GameLua::update(float dt)
{
	restartAudio();
	m_downloads->checkURLCallbacks();
	m_safeToQuit = isBoolean("g_safeToQuit") && getBoolean("g_safeToQuit");
	m_store->pollStore();
	setNumber("screenWidth", static_cast<float>(m_context->width()));
	setNumber("screenHeight", static_cast<float>(m_context->height()));

	if (host::Shell* game = shell())
	{
		if (game->wheelScale() != game->previousWheelScale())
		{
			setNumber("zoomLevel", getNumber("zoomLevel") + (game->wheelScale() - game->previousWheelScale()) * 0.5f);
			game->setPreviousWheelScale(game->wheelScale());
		}
	}

	lua::LuaTable touches(m_luastate);
	int count = 0;
	for (framework::TouchEvent const& touch : m_app->touches())
	{
		if (count == 2)
			break;
		char key[16];
		snprintf(key, sizeof(key), "%d", touch.id);
		lua::LuaTable position(m_luastate);
		position.setNumber("x", static_cast<float>(touch.x));
		position.setNumber("y", static_cast<float>(touch.y));
		touches.setTable(key, position);
		++count;
	}
	setTable("touches", touches);
	setNumber("touchcount", static_cast<float>(count));

	float scaledDt = dt * m_settings.deltaTimeMultiplier;

	long long physicsMicros = 0;
	if (m_settings.physicsDisabled == 0)
	{
		m_themes->moveLayerSprites(scaledDt);
		m_stepper->stepPhysics(scaledDt, physicsMicros);
	}
	setNumber("g_physicsUpdateMillis", static_cast<float>(physicsMicros) * 0.001f);
	if (m_settings.physicsDisabled == 0)
		m_stepper->objectPass(scaledDt);
	else
		m_stepper->clearRollingLevels();
	if (m_settings.physicsDisabled == 0)
		m_joints->publishJointAnchors();
	m_stepper->playRollingSounds();

	m_downloads->checkBackgroundResults();
	call("update", scaledDt, dt);
	if (m_settings.physicsDisabled == 0)
		m_particles->updateInWorld(scaledDt);
	m_joints->destroyBrokenJoints();
	if (m_settings.physicsDisabled == 0)
	{
		if (m_compositor)
			m_compositor->update(scaledDt);
		m_aiming->aimStream().update(scaledDt);
	}
}

void GameLua::draw()
{
	call("draw");
}

void GameLua::activate(bool active)
{
	if (!m_levels->isCompiled())
		return;
	call(active ? "gameResumed" : "gamePaused");
}
