#pragma once

class Tally;
class ScriptUtilities;

namespace lua
{
class LuaObject;
}

/**
 * Registers the script utilities' rows into host, bound to utilities, and
 * "resetTimer" bound to tally's analytics timer (both must outlive host's
 * use of them).
 */
void registerScriptUtilApi(lua::LuaObject& host, ScriptUtilities& utilities, Tally& tally);
