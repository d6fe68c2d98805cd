#pragma once

#include <support/HostFixture.h>
#include <GameLua.h>
#include <host/RenderObjectData.h>
#include <lua/LuaTable.h>
#include <physics/PhysicsWorld.h>
#include <string>

namespace test
{

/**
 * A host whose scripts define the functions the frame loop calls
 * ("applyForcesAtPhysicsStep", "removeBlocks", "clearLuaForceFunctions",
 * "update"), each appending its name to the global text "calls", and the
 * four contact callbacks, which do nothing; the physics is switched on.
 */
class PhysicsHostFixture : public HostFixture
{
protected:
	PhysicsHostFixture()
	{
		run("calls = ''\n"
			"function applyForcesAtPhysicsStep() calls = calls .. 'forces;' end\n"
			"function removeBlocks() calls = calls .. 'remove;' end\n"
			"function clearLuaForceFunctions() calls = calls .. 'clear;' end\n"
			"function update(dt, rawDt) calls = calls .. 'update;' end\n"
			"function enterCollision(a, b) end\n"
			"function exitCollision(a, b) end\n"
			"function flyerCollision(flyer, other, impact, damage) end\n"
			"function blockCollision(a, b, impact, hit, unused, lastHit) end\n"
			"setPhysicsEnabled(true)\n");
	}

	/** One frame of dt seconds. */
	void frame(float dt) { host().update(dt); }

	/** Frames of 1/30 s until the global flag turns false; the number of frames, or -1 after limit. */
	int framesUntilFalse(char const* flag, int limit)
	{
		for (int i = 1; i <= limit; ++i)
		{
			frame(1.f / 30.f);
			if (!host().getBoolean(flag))
				return i;
		}
		return -1;
	}

	/** The record of name (null when none). */
	GameLua::RenderObjectData* object(std::string const& name) { return host().scene().findObject(name); }

	/** objects.world[name]. */
	lua::LuaTable table(std::string const& name) { return host().getTable("objects").getTable("world").getTable(name); }

	/** Number of bodies in the world. */
	int bodyCount() { return host().scene().world().world()->GetBodyCount(); }
};

} // test
