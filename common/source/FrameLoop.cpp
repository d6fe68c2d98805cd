// The host's part of a frame: what it publishes to the scripts and the
// script calls it makes.
#include <GameApp.h>
#include <GameLua.h>
#include <framework/App.h>
#include <gr/Context.h>
#include <algorithm>
#include <cstdio>
#include <iterator>

void GameLua::update(float dt)
{
	m_safeToQuit = isBoolean("g_safeToQuit") && getBoolean("g_safeToQuit");
	pollStore();
	setNumber("screenWidth", static_cast<float>(m_context->width()));
	setNumber("screenHeight", static_cast<float>(m_context->height()));

	if (GameApp* game = gameApp())
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

	float scaledDt = dt * m_deltaTimeMultiplier;

	long long physicsMicros = 0;
	if (m_physicsDisabled == 0)
	{
		moveLayerSprites(scaledDt);
		stepPhysics(scaledDt, physicsMicros);
	}
	setNumber("g_physicsUpdateMillis", static_cast<float>(physicsMicros) * 0.001f);
	if (m_physicsDisabled == 0)
		objectPass(scaledDt);
	else
		std::fill(std::begin(m_rollingLevel), std::end(m_rollingLevel), 0.f);

	call("update", scaledDt, dt);
}

void GameLua::draw()
{
	call("draw");
}

void GameLua::activate(bool active)
{
	if (!m_compiled)
		return;
	call(active ? "gameResumed" : "gamePaused");
}
