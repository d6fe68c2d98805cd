// The scene rows: background colour, view numbers, editing, the scene pass,
// the foreground and the reference camera.
#include <api/SceneApi.h>
#include <host/HostView.h>
#include <host/SceneDrawing.h>
#include <host/Themes.h>
#include <lua/LuaObject.h>

void registerSceneApi(lua::LuaObject& host, SceneDrawing& scene, HostView& view, Themes& themes)
{
	host.registerMethod("setBGColor", &themes, &Themes::setBGColor);
	host.registerLuaMethod("getBGColor", &themes, &Themes::getBGColor);
	host.registerMethod("setTopLeft", &view, &HostView::setTopLeft);
	host.registerMethod("setMaxWorldScale", &view, &HostView::setMaxWorldScale);
	host.registerMethod("setEditing", &scene, &SceneDrawing::setEditing);
	host.registerMethod("setWorldScale", &view, &HostView::setWorldScale);
	host.registerMethod("resetMouseWheelScale", &view, &HostView::resetMouseWheelScale);
	host.registerMethod("drawGameNative", &scene, &SceneDrawing::drawGame);
	host.registerMethod("drawForegroundNative", &themes, &Themes::drawForegroundNative);
	host.registerMethod("setStartingCameraValue", &themes, &Themes::setStartingCameraValue);
	host.registerMethod("setCameraLimits", &themes, &Themes::setCameraLimits);
}
