#pragma once

#include <host/Core.h>

namespace lua
{
class LuaState;
}

namespace host
{

/**
 * The scripts' hold on the context's 2D render state: its translation,
 * scale, angle, pivot and alpha, written in place.
 *
 * Main thread only.
 */
class ScriptRenderState
{
public:
	/** Writes the state of core's context; nothing is made or changed. */
	explicit ScriptRenderState(Core const& core);

	ScriptRenderState(ScriptRenderState const&) = delete;
	ScriptRenderState& operator=(ScriptRenderState const&) = delete;

	/**
	 * Raw: (tx, ty [, sx, sy [, angle [, px, py [, alpha]]]]) writes the 2D
	 * render state in place.
	 * @exception lua::LuaException Fewer than 2 or more than 8 arguments
	 *            (naming the count), or one not a number; the state is unchanged.
	 */
	int setRenderState(lua::LuaState* state);

private:
	Core m_core;
};

} // namespace host
