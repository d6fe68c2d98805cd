// The scripts' hold on the context's 2D render state.
#include <host/ScriptRenderState.h>
#include <DrawPlacement.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <lang/Format.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <math/float2.h>

namespace host
{

ScriptRenderState::ScriptRenderState(Core const& core) : m_core(core)
{
}

int ScriptRenderState::setRenderState(lua::LuaState* state)
{
	int const count = state->top();
	if (count < 2 || count > 8)
		throw lua::LuaException(lang::Format("setRenderState: {0} arguments (2 to 8 wanted)", count));
	float v[8] = {};
	for (int i = 0; i < count; ++i)
	{
		state->checkType(i + 1, lua::LuaState::TYPE_NUMBER);
		v[i] = state->toNumber(i + 1);
	}
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	rs.translation = math::float2(v[0], v[1]);
	if (count >= 4)
		rs.scale = math::float2(v[2], v[3]);
	if (count >= 5)
		draw::setAngle(rs, v[4]);
	if (count >= 7)
		rs.pivot = math::float2(v[5], v[6]);
	if (count == 8)
		rs.alpha = v[7];
	return 0;
}

} // namespace host
