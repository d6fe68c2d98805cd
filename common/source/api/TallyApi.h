#pragma once

class Tally;

namespace lua
{
class LuaObject;
}

/** Registers the analytics rows ("logTallyEvent" ... "logTallyTimerEvent") into host, bound to tally (which must outlive host's use of them). */
void registerTallyApi(lua::LuaObject& host, Tally& tally);
