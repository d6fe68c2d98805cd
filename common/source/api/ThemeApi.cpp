// The Lua face of the themes: setTheme, the theme sprites and the layers'
// drawing, bound to the host's Themes.
#include <api/ThemeApi.h>
#include <host/Themes.h>
#include <lua/LuaObject.h>

namespace host
{

void registerThemeApi(lua::LuaObject& host, Themes& themes)
{
	host.registerMethod("createThemeSprite", &themes, &Themes::createThemeSprite);
	host.registerMethod("removeThemeSprite", &themes, &Themes::removeThemeSprite);
	host.registerMethod("modifyThemeSprite", &themes, &Themes::modifyThemeSprite);
	host.registerMethod("rotateThemeSprites", &themes, &Themes::rotateThemeSprites);
	host.registerMethod("setThemeSprite", &themes, &Themes::setThemeSprite);
	host.registerMethod("setThemeOffsetY", &themes, &Themes::setThemeOffsetY);
	host.registerMethod("drawBackgroundNative", &themes, &Themes::drawBackground);
	host.registerMethod("drawLayer", &themes, &Themes::drawLayer);
	host.registerMethod("setTheme", &themes, &Themes::setTheme);
	host.registerMethod("drawForeground", &themes, &Themes::drawForeground);
	host.registerLuaMethod("createThemeAnimation", &themes, &Themes::createThemeAnimation);
}

} // namespace host
