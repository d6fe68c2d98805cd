#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Tally;

/** Registers the analytics rows ("logTallyEvent" ... "logTallyTimerEvent") into host, bound to tally (which must outlive host's use of them). */
void registerTallyApi(lua::LuaObject& host, Tally& tally);

} // namespace host
