#pragma once

class ScriptUtilities;

namespace lua
{
class LuaObject;
}

/** Registers the advertisement rows into host, bound to utilities (which must outlive host's use of them). */
void registerAdApi(lua::LuaObject& host, ScriptUtilities& utilities);
