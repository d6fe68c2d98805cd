// Text the scripts draw: text elements, text on a tilted plane, and the
// clipping of localised text into lines for clippedText.
#include <host/TextDrawing.h>
#include <DrawPlacement.h>
#include <host/DrawArguments.h>
#include <host/TextLines.h>
#include <game/Anchor.h>
#include <game/BitmapFont.h>
#include <game/Resources.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <math/float2.h>
#include <math/float3.h>
#include <math/float4x4.h>
#include <algorithm>
#include <cmath>
#include <string>

namespace host
{

namespace
{

/**
 * Puts the 2D render state's alpha factor and custom model transform and
 * the context's projection back as they were when it was made, on every
 * exit. A changed projection is set back after a flush, so that what was
 * drawn under it is drawn with it.
 */
class DrawStateRestore
{
public:
	explicit DrawStateRestore(gr::Context* context) :
		m_context(context),
		m_projection(context->projectionTransform()),
		m_alpha(context->getRenderState2D().alpha),
		m_worldSpace(context->getRenderState2D().worldSpace),
		m_transform(context->getRenderState2D().transform)
	{
	}

	~DrawStateRestore()
	{
		math::float4x4 const& now = m_context->projectionTransform();
		if (!std::equal(now.data(), now.data() + math::float4x4::SIZE, m_projection.data()))
		{
			m_context->flush();
			m_context->setProjection(m_projection);
		}
		gr::RenderState2D& rs = m_context->getRenderState2D();
		rs.alpha = m_alpha;
		rs.worldSpace = m_worldSpace;
		rs.transform = m_transform;
	}

	DrawStateRestore(DrawStateRestore const&) = delete;
	DrawStateRestore& operator=(DrawStateRestore const&) = delete;

private:
	gr::Context* m_context;
	math::float4x4 const m_projection;
	float const m_alpha;
	bool const m_worldSpace;
	math::float4x4 const m_transform;
};

/** Number argument i, or fallback when it is missing or nil. */
float optionalNumber(lua::LuaState* state, int i, float fallback)
{
	return draw::given(state, i) ? lua::LuaValue::readFloat(state, i) : fallback;
}

/**
 * Calls entry:draw(x, y, sx, sy, angle) for each entry of the element's
 * "lines" from 1 until nil (none without such a table).
 * @exception lua::LuaException An entry that is not a table, or what its draw raises.
 */
void drawClippedLines(lua::LuaState* state, lua::LuaTable const& element, float x, float y, float sx, float sy, float angle)
{
	if (!element.isTable("lines"))
		return;
	lua::LuaTable const lines = element.getTable("lines");
	for (int i = 1; !lines.isNil(i); ++i)
	{
		lua::LuaTable const entry = lines.getTable(i);
		lua::LuaStackRestore const restore(state);
		lua::LuaValue::push(state, entry);
		state->pushString("draw");
		state->getTable(-2);
		lua::LuaValue::push(state, entry);
		for (float v : {x, y, sx, sy, angle})
			state->pushNumber(v);
		state->call(6, 0);
	}
}

} // namespace

TextDrawing::TextDrawing(Core const& core) : m_core(core), m_clippedText(core.table.getLuaState())
{
}

void TextDrawing::clipText(std::string const& group, std::string const& key, float maxWidth)
{
	game::BitmapFont* const font = m_core.resources->getCurrentFont();
	std::string const text = m_core.resources->getString(group, key);
	lua::LuaTable lines(m_core.table.getLuaState());
	TextLines broken;
	if (font)
		broken = breakTextLines(*font, text, maxWidth);
	int n = 1;
	for (std::string const& line : broken.lines)
		lines.setString(n++, line);
	m_clippedText.setNumber("widestLine", float(broken.widest));
	m_clippedText.setTable("lines", lines);
}

void TextDrawing::drawString3D(std::string const& group, std::string const& key, float tx, float ty, float tz, float angle, float x,
	float y, float alpha)
{
	m_core.context->flush();
	DrawStateRestore const restore(m_core.context);
	m_core.context->setPerspectiveProjection(-1.5f, 0.001f, 2000.f, -1.33f);
	math::float4x4 model(1.f);
	model.setRotation(math::float3(1.f, 0.f, 0.f), angle);
	model.setTranslation(math::float3(tx, ty, tz));
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	rs.alpha = alpha;
	rs.worldSpace = true;
	rs.transform = model;
	// restore flushes the text before the projection goes back.
	m_core.resources->drawString(group, key, x, y, game::Anchor(game::Anchor::TOP, game::Anchor::LEFT));
}

int TextDrawing::drawUIText(lua::LuaState* state)
{
	state->checkType(1, lua::LuaState::TYPE_TABLE);
	lua::LuaTable const element = lua::LuaValue::readTable(state, 1);
	float const x = optionalNumber(state, 2, 0.f);
	float const y = optionalNumber(state, 3, 0.f);
	float const sx = optionalNumber(state, 4, 1.f);
	float const sy = optionalNumber(state, 5, 1.f);
	float const angle = optionalNumber(state, 6, 0.f);
	bool const hasAlpha = draw::given(state, 7);
	float const alpha = optionalNumber(state, 7, 1.f);
	if (!element.getBoolean("visible"))
		return 0;
	// An unknown name leaves the current font in place, and the text is drawn with that.
	m_core.resources->useFont(element.isString("font") ? element.getString("font") : std::string("FONT_BASIC_SPACE"));

	float const scaleX = sx * element.getNumber("scaleX");
	float const scaleY = sy * element.getNumber("scaleY");
	float const ex = x + element.getNumber("x");
	float const ey = y + element.getNumber("y");
	DrawStateRestore const restore(m_core.context);
	gr::RenderState2D& rs = m_core.context->getRenderState2D();
	if (element.getBoolean("clipped"))
	{
		if (hasAlpha)
			rs.alpha = alpha;
		drawClippedLines(state, element, ex, ey, scaleX, scaleY, angle);
		return 0;
	}

	// The position is divided by the scale.
	if (!draw::divisor(scaleX) || !draw::divisor(scaleY))
		return 0;
	game::Anchor anchor;
	anchor.fromString(draw::stringField(element, "hanchor").c_str());
	anchor.fromString(draw::stringField(element, "vanchor").c_str());
	float px = ex / scaleX;
	float py = ey / scaleY;
	if (element.getBoolean("floorCoordinates"))
	{
		px = std::floor(px);
		py = std::floor(py);
	}
	if (hasAlpha && alpha < 1.f)
		rs.alpha = alpha;
	rs.scale = math::float2(scaleX, scaleY);
	draw::setAngle(rs, angle);
	bool const pivot = element.isNumber("rotationPivotX") && element.isNumber("rotationPivotY");
	rs.pivot = pivot ? math::float2(element.getNumber("rotationPivotX"), element.getNumber("rotationPivotY")) : math::float2(0.f, 0.f);
	if (!draw::placeable(rs, px, py))
		return 0;
	m_core.resources->drawString(draw::stringField(element, "group"), draw::stringField(element, "text"), px, py, anchor);
	return 0;
}

} // namespace host
