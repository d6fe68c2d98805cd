// The Lua face of script drawing: its rows bound to the area's members.
#include <api/ScriptDrawingApi.h>
#include <host/ScriptDrawing.h>
#include <lua/LuaObject.h>

void registerScriptDrawingApi(lua::LuaObject& host, ScriptDrawing& area)
{
	host.registerLuaMethod("setRenderState", &area, &ScriptDrawing::setRenderState);
	host.registerMethod("drawLine2D", &area, &ScriptDrawing::drawLine2D);
	host.registerMethod("drawRectLines", &area, &ScriptDrawing::drawRectLines);
	host.registerMethod("drawRect", &area, &ScriptDrawing::drawRect);
	host.registerMethod("drawTexturedRect", &area, &ScriptDrawing::drawTexturedRect);
	host.registerMethod("drawTexturedLine2D", &area, &ScriptDrawing::drawTexturedLine2D);
	host.registerMethod("drawCompoSprite", &area, &ScriptDrawing::drawCompoSprite);
	host.registerMethod("drawRubberband", &area, &ScriptDrawing::drawRubberband);
	host.registerLuaMethod("renderGravityVisualsNative", &area, &ScriptDrawing::renderGravityVisuals);
	host.registerMethod("drawSelectedTexturizedObject", &area, &ScriptDrawing::drawSelectedTexturizedObject);
	host.registerMethod("clipText", &area, &ScriptDrawing::clipText);
	host.registerMethod("drawString3D", &area, &ScriptDrawing::drawString3D);
	host.registerLuaMethod("drawUITextNative", &area, &ScriptDrawing::drawUIText);
	host.registerLuaMethod("drawBoxNative", &area, &ScriptDrawing::drawBox);
	host.registerLuaMethod("renderMaskedImageNative", &area, &ScriptDrawing::renderMaskedImageNative);
}
