// Themes: the sky and ground colours and the background and foreground
// layers read from the scripts' "themes" table, their theme sprites, and
// the view state the layers are drawn against.
#include <host/Themes.h>
#include <game/Resources.h>
#include <gr/Context.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <algorithm>
#include <cstdint>

namespace host
{

namespace
{

/** One colour component: truncated, saturated, clamped to 0..255 (NaN gives 0). */
uint32_t component(float v)
{
	return static_cast<uint32_t>(std::clamp(lua::LuaNumber::toInt(v), 0, 255));
}

/** The number under key, or fallback when the key holds no number. */
float themeNumber(lua::LuaTable const& table, char const* key, float fallback)
{
	return table.isNumber(key) ? table.getNumber(key) : fallback;
}

/** The number at index, or fallback. */
float themeNumber(lua::LuaTable const& table, int index, float fallback)
{
	return table.isNumber(index) ? table.getNumber(index) : fallback;
}

/** The flag under key, or fallback when the key holds no boolean. */
bool themeFlag(lua::LuaTable const& table, char const* key, bool fallback)
{
	return table.isBoolean(key) ? table.getBoolean(key) : fallback;
}

/** The string under key, or "". */
std::string text(lua::LuaTable const& table, char const* key)
{
	return table.isString(key) ? table.getString(key) : std::string();
}

/** The string at index, or "". */
std::string text(lua::LuaTable const& table, int index)
{
	return table.isString(index) ? table.getString(index) : std::string();
}

/** The keys both kinds of layer read by name. */
void readCommonKeys(lua::LuaTable const& t, ThemeLayerData& layer)
{
	layer.bgLayer = themeFlag(t, "bgLayer", false);
	layer.verticalRepetition = themeFlag(t, "verticalRepetition", false);
	layer.horizontalRepetition = themeFlag(t, "horizontalRepetition", false);
	layer.velX = themeNumber(t, "velX", 0.f);
	layer.velY = themeNumber(t, "velY", 0.f);
	layer.posX = themeNumber(t, "posX", 0.f);
	layer.posY = themeNumber(t, "posY", 0.f);
	layer.offsetX = themeNumber(t, "offsetX", 0.f);
	layer.offsetY = themeNumber(t, "offsetY", 0.f);
	layer.scaleSpeed = themeNumber(t, "scaleSpeed", 1.f);
}

/** The layer sprite's width, height and pivot x from the resources (0 for an unknown name). */
void readSpriteSize(game::Resources const& res, ThemeLayerData& layer)
{
	layer.width = static_cast<int16_t>(res.getSpriteWidth(layer.sprite));
	layer.height = static_cast<int16_t>(res.getSpriteHeight(layer.sprite));
	layer.pivotX = static_cast<int16_t>(res.getSpritePivotX(layer.sprite));
}

/** A colour table {r, g, b}. @exception lua::LuaException When key holds no table. */
void readColor(lua::LuaTable const& theme, char const* key, float* rgb)
{
	lua::LuaTable color = theme.getTable(key);
	rgb[0] = color.getNumber("r");
	rgb[1] = color.getNumber("g");
	rgb[2] = color.getNumber("b");
}

/** The layer list under key, read while its entries are tables; none when the key is nil. */
template <class Build>
std::vector<ThemeLayerData> readLayers(lua::LuaTable const& theme, char const* key, Build build)
{
	std::vector<ThemeLayerData> layers;
	if (theme.isNil(key))
		return layers;
	lua::LuaTable list = theme.getTable(key);
	for (int i = 1; list.isTable(i); ++i)
		layers.push_back(build(list.getTable(i)));
	return layers;
}

} // namespace

Themes::Themes(Core const& core) :
	m_core(core),
	m_bgColor(0xFFFFFFFFu),
	m_cameraLimit(0.f),
	m_startingCamera(false),
	m_skyColor{0.f, 0.f, 0.f},
	m_groundColor{0.f, 0.f, 0.f},
	m_cameraX(0.f),
	m_cameraY(0.f),
	m_cameraScale(1.f),
	m_screenRatioX(0.f),
	m_screenRatioY(0.f),
	m_screenRatiosRecorded(false)
{
}

void Themes::setStartingCameraValue(bool recorded)
{
	m_startingCamera = recorded;
}

void Themes::setCameraLimits(float limit)
{
	m_cameraLimit = limit;
}

void Themes::setBGColor(float r, float g, float b)
{
	m_bgColor = component(r) << 16 | component(g) << 8 | component(b);
}

int Themes::getBGColor(lua::LuaState* state)
{
	state->pushNumber(static_cast<float>((m_bgColor >> 16) & 255));
	state->pushNumber(static_cast<float>((m_bgColor >> 8) & 255));
	state->pushNumber(static_cast<float>(m_bgColor & 255));
	return 3;
}

void Themes::setTheme(std::string const& themeName)
{
	lua::LuaTable theme = m_core.table.getTable("themes").getTable(themeName);
	float sky[3];
	float ground[3];
	readColor(theme, "skyColor", sky);
	readColor(theme, "groundColor", ground);
	game::Resources& res = *m_core.resources;
	std::vector<ThemeLayerData> background = readLayers(theme, "bgLayers", [&](lua::LuaTable const& t) {
		ThemeLayerData layer;
		layer.sprite = text(t, "sprite");
		layer.noSprite = layer.sprite.empty();
		layer.parallax = themeNumber(t, "parallaxSpeed", 1.f);
		layer.zDistance = themeNumber(t, "zDistance", 0.f);
		layer.scrollSpeed = themeNumber(t, 5, 0.f);
		layer.scale = themeNumber(t, "scale", 1.f);
		layer.angleMult = themeNumber(t, "angleMult", 0.f);
		layer.xMult = themeNumber(t, "xMult", 1.f);
		layer.yMult = themeNumber(t, "yMult", 1.f);
		layer.loop = themeFlag(t, "bLoop", true);
		readCommonKeys(t, layer);
		readSpriteSize(res, layer);
		return layer;
	});
	std::vector<ThemeLayerData> foreground = readLayers(theme, "fgLayers", [&](lua::LuaTable const& t) {
		ThemeLayerData layer;
		layer.name = text(t, 1);
		layer.sprite = text(t, 2);
		layer.parallax = themeNumber(t, 3, 1.f);
		layer.scale = themeNumber(t, 4, 1.f);
		layer.scrollSpeed = themeNumber(t, 5, 0.f);
		readCommonKeys(t, layer);
		readSpriteSize(res, layer);
		layer.pivotY = static_cast<int16_t>(res.getSpritePivotY(layer.sprite));
		return layer;
	});
	std::copy(sky, sky + 3, m_skyColor);
	std::copy(ground, ground + 3, m_groundColor);
	m_bgLayers.swap(background);
	m_fgLayers.swap(foreground);
}

void Themes::setThemeOffsetY(std::string const& themeName, float offset)
{
	lua::LuaTable list = m_core.table.getTable("themes").getTable(themeName).getTable("bgLayers");
	float const height = static_cast<float>(m_core.context->height());
	for (size_t i = 0; i < m_bgLayers.size(); ++i)
	{
		ThemeLayerData& layer = m_bgLayers[i];
		float v = layer.sprites.empty() && height > 0.f ? offset * 768.f / height : offset;
		int const entry = static_cast<int>(i) + 1;
		if (list.isTable(entry))
		{
			lua::LuaTable t = list.getTable(entry);
			if (t.isNumber("offsetY"))
				v += t.getNumber("offsetY");
		}
		layer.offsetY = v;
	}
}

ThemeLayerData* Themes::themeLayer(float layer)
{
	int const n = lua::LuaNumber::toInt(layer);
	if (n < 0)
		return nullptr;
	size_t const i = static_cast<size_t>(n);
	if (i < m_bgLayers.size())
		return &m_bgLayers[i];
	if (i - m_bgLayers.size() < m_fgLayers.size())
		return &m_fgLayers[i - m_bgLayers.size()];
	return nullptr;
}

ThemeSpriteData* Themes::themeSprite(std::string const& name, float layer)
{
	ThemeLayerData* l = themeLayer(layer);
	if (!l)
		return nullptr;
	for (ThemeSpriteData& sprite : l->sprites)
	{
		if (sprite.name == name)
			return &sprite;
	}
	return nullptr;
}

void Themes::createThemeSprite(std::string const& name, std::string const& spriteName, float x, float y,
	float scaleX, float scaleY, float angle, float layer, float scaleSpeed, bool mirrored, float velX, float velY)
{
	ThemeLayerData* l = themeLayer(layer);
	if (!l)
		return;
	ThemeSpriteData sprite;
	sprite.sprite = m_core.resources->getSprite(spriteName);
	sprite.name = name;
	sprite.spriteName = spriteName;
	sprite.startX = sprite.x = sprite.homeX = x;
	sprite.startY = sprite.y = sprite.homeY = y;
	sprite.scaleX = scaleX;
	sprite.scaleY = scaleY;
	sprite.angle = angle;
	sprite.scaleSpeed = scaleSpeed;
	sprite.mirrored = mirrored;
	sprite.velX = velX;
	sprite.velY = velY;
	l->sprites.push_back(std::move(sprite));
}

int Themes::createThemeAnimation(lua::LuaState* state)
{
	lua_State* lua = lua::LuaAccess::get(state);
	int const top = lua_gettop(lua);
	if (top == 0 || !lua_istable(lua, top))
		return 0;
	lua::LuaTable t = state->toTable(top);
	ThemeLayerData* l = themeLayer(themeNumber(t, "layer", 0.f));
	if (!l)
		return 0;
	ThemeSpriteData sprite;
	sprite.startX = sprite.x = sprite.homeX = themeNumber(t, "x", 0.f);
	sprite.startY = sprite.y = sprite.homeY = themeNumber(t, "y", 0.f);
	sprite.scaleX = themeNumber(t, "scaleX", 0.f);
	sprite.scaleY = themeNumber(t, "scaleY", 0.f);
	sprite.angle = themeNumber(t, "angle", 0.f);
	sprite.name = text(t, "name");
	sprite.spriteName = text(t, "spriteName");
	if (t.isString("spriteName"))
		sprite.sprite = m_core.resources->getSprite(sprite.spriteName);
	sprite.velX = themeNumber(t, "velX", 0.f);
	sprite.velY = themeNumber(t, "velY", 0.f);
	sprite.scaleSpeed = themeNumber(t, "scaleSpeed", 0.f);
	sprite.animTimer = themeNumber(t, "startAnimTimer", 0.f);
	sprite.animDelay = sprite.currentDelay = themeNumber(t, "animDelay", 0.f);
	sprite.currentDelay = themeNumber(t, "startingDelay", sprite.currentDelay);
	sprite.isAnimation = themeFlag(t, "isAnimation", false);
	sprite.loop = themeFlag(t, "bLoop", false);
	// The frame names, read while the entries are strings (numbers end the list too).
	lua_getfield(lua, top, "animation");
	if (lua_istable(lua, -1))
	{
		for (int i = 1;; ++i)
		{
			lua_rawgeti(lua, -1, i);
			bool const name = lua_type(lua, -1) == LUA_TSTRING;
			if (name)
				sprite.animation.push_back(lua_tostring(lua, -1));
			lua_pop(lua, 1);
			if (!name)
				break;
		}
	}
	lua_pop(lua, 1);
	l->sprites.push_back(std::move(sprite));
	return 0;
}

void Themes::removeThemeSprite(std::string const& name, float layer)
{
	ThemeLayerData* l = themeLayer(layer);
	if (!l)
		return;
	auto it = std::find_if(l->sprites.begin(), l->sprites.end(), [&](ThemeSpriteData const& s) { return s.name == name; });
	if (it != l->sprites.end())
		l->sprites.erase(it);
}

void Themes::modifyThemeSprite(std::string const& name, float x, float y, float scaleX, float scaleY, float angle, float layer)
{
	if (ThemeSpriteData* sprite = themeSprite(name, layer))
	{
		sprite->x = x;
		sprite->y = y;
		sprite->scaleX = scaleX;
		sprite->scaleY = scaleY;
		sprite->angle = angle;
	}
}

void Themes::setThemeSprite(std::string const& name, std::string const& spriteName, float layer)
{
	if (ThemeSpriteData* sprite = themeSprite(name, layer))
	{
		sprite->sprite = m_core.resources->getSprite(spriteName);
		sprite->spriteName = spriteName;
	}
}

} // namespace host
