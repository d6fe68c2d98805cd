#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Tally;
class ScriptUtilities;

/**
 * Registers the script utilities' rows into host, bound to utilities, and
 * "resetTimer" bound to tally's analytics timer (both must outlive host's
 * use of them).
 */
void registerScriptUtilApi(lua::LuaObject& host, ScriptUtilities& utilities, Tally& tally);

} // namespace host
