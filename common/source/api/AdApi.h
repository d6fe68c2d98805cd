#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class ScriptUtilities;

/** Registers the advertisement rows into host, bound to utilities (which must outlive host's use of them). */
void registerAdApi(lua::LuaObject& host, ScriptUtilities& utilities);

} // namespace host
