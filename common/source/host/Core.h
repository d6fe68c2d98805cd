#pragma once

namespace framework
{
class App;
}

namespace game
{
class Resources;
}

namespace gr
{
class Context;
}

namespace lua
{
class LuaObject;
class LuaTable;
}

namespace host
{

class Shell;
class View;

/**
 * What every area of the script host reaches: the host table (the scripts'
 * environment: their functions and globals are its fields), the
 * application, the rendering context, the resource manager, the view
 * numbers, the application's shell (null without one) and the host's own
 * "objects" and "blockTable" tables (the ones the host made; the scripts may
 * bind the globals to others).
 *
 * All borrowed: the host makes the core before its areas and outlives them.
 * Main thread only.
 */
struct Core
{
	lua::LuaObject& table;
	framework::App* app;
	gr::Context* context;
	game::Resources* resources;
	View& view;
	Shell* shell;
	lua::LuaTable& objects;
	lua::LuaTable& blockTable;
};

} // namespace host
