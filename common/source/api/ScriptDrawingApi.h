#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class ScriptDrawing;

/**
 * Binds the script drawing rows into the host table, in their order:
 * setRenderState, drawLine2D, drawRectLines, drawRect, drawTexturedRect,
 * drawTexturedLine2D, drawCompoSprite, drawRubberband,
 * renderGravityVisualsNative, drawSelectedTexturizedObject, clipText,
 * drawString3D, drawUITextNative, drawBoxNative, renderMaskedImageNative.
 * The area must outlive the table's use of them. Main thread only.
 */
void registerScriptDrawingApi(lua::LuaObject& host, ScriptDrawing& area);

} // namespace host
