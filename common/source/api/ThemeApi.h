#pragma once

class Themes;

namespace lua
{
class LuaObject;
}

/**
 * Binds the theme rows (setTheme, the theme sprites, the layers' drawing)
 * of host to themes' members, in the scripts' order. themes must outlive
 * the host table's use of those rows. Main thread only.
 */
void registerThemeApi(lua::LuaObject& host, Themes& themes);
