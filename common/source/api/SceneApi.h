#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class View;
class SceneDrawing;
class Themes;

/**
 * Binds the scene rows (background colour, view numbers, editing, the
 * scene pass, the foreground and the reference camera) into host, in their
 * fixed order, to the members of the scene drawing, the view and the
 * themes. All borrowed: they must outlive host's use of the rows.
 */
void registerSceneApi(lua::LuaObject& host, SceneDrawing& scene, View& view, Themes& themes);

} // namespace host
