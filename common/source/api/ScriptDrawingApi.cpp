// The Lua face of script drawing: its rows bound to the parts' members.
#include <api/ScriptDrawingApi.h>
#include <host/ScriptDrawing.h>
#include <lua/LuaObject.h>

namespace host
{

void registerScriptDrawingApi(lua::LuaObject& host, ScriptDrawing& area)
{
	ScriptRenderState& renderState = area.renderState();
	ShapeDrawing& shapes = area.shapes();
	RubberBands& bands = area.rubberBands();
	MaskedImages& masked = area.maskedImages();
	TextDrawing& text = area.text();
	host.registerLuaMethod("setRenderState", &renderState, &ScriptRenderState::setRenderState);
	host.registerMethod("drawLine2D", &shapes, &ShapeDrawing::drawLine2D);
	host.registerMethod("drawRectLines", &shapes, &ShapeDrawing::drawRectLines);
	host.registerMethod("drawRect", &shapes, &ShapeDrawing::drawRect);
	host.registerMethod("drawTexturedRect", &shapes, &ShapeDrawing::drawTexturedRect);
	host.registerMethod("drawTexturedLine2D", &bands, &RubberBands::drawTexturedLine2D);
	host.registerMethod("drawCompoSprite", &shapes, &ShapeDrawing::drawCompoSprite);
	host.registerMethod("drawRubberband", &bands, &RubberBands::drawRubberband);
	host.registerLuaMethod("renderGravityVisualsNative", &shapes, &ShapeDrawing::renderGravityVisuals);
	host.registerMethod("drawSelectedTexturizedObject", &masked, &MaskedImages::drawSelectedTexturizedObject);
	host.registerMethod("clipText", &text, &TextDrawing::clipText);
	host.registerMethod("drawString3D", &text, &TextDrawing::drawString3D);
	host.registerLuaMethod("drawUITextNative", &text, &TextDrawing::drawUIText);
	host.registerLuaMethod("drawBoxNative", &shapes, &ShapeDrawing::drawBox);
	host.registerLuaMethod("renderMaskedImageNative", &masked, &MaskedImages::renderMaskedImageNative);
}

} // namespace host
