// The scene rows: background colour, view numbers, editing, the scene pass,
// the foreground and the reference camera.
#include <api/SceneApi.h>
#include <host/View.h>
#include <host/SceneDrawing.h>
#include <host/Themes.h>
#include <lua/LuaObject.h>

namespace host
{

void registerSceneApi(lua::LuaObject& host, SceneDrawing& scene, View& view, Themes& themes)
{
	host.registerMethod("setBGColor", &themes, &Themes::setBGColor);
	host.registerLuaMethod("getBGColor", &themes, &Themes::getBGColor);
	host.registerMethod("setTopLeft", &view, &View::setTopLeft);
	host.registerMethod("setMaxWorldScale", &view, &View::setMaxWorldScale);
	host.registerMethod("setEditing", &scene, &SceneDrawing::setEditing);
	host.registerMethod("setWorldScale", &view, &View::setWorldScale);
	host.registerMethod("resetMouseWheelScale", &view, &View::resetMouseWheelScale);
	host.registerMethod("drawGameNative", &scene, &SceneDrawing::drawGame);
	host.registerMethod("drawForegroundNative", &themes, &Themes::drawForegroundNative);
	host.registerMethod("setStartingCameraValue", &themes, &Themes::setStartingCameraValue);
	host.registerMethod("setCameraLimits", &themes, &Themes::setCameraLimits);
}

} // namespace host
