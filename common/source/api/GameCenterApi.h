#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class ScoresAndAchievements;

/**
 * Binds the game centre's script functions (sign-in, leaderboards,
 * achievements, stats and the two screens) into host, in their order, as
 * members of area; area must outlive the bindings.
 */
void registerGameCenterApi(lua::LuaObject& host, ScoresAndAchievements& area);

} // namespace host
