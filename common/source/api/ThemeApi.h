#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class Themes;

/**
 * Binds the theme rows (setTheme, the theme sprites, the layers' drawing)
 * of host to themes' members, in the scripts' order. themes must outlive
 * the host table's use of those rows. Main thread only.
 */
void registerThemeApi(lua::LuaObject& host, Themes& themes);

} // namespace host
