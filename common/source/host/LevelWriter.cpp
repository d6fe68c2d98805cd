// Writing a level: the scene the scripts keep in "objects" as a level table,
// for the level editor (a plain-text file) or for a reload (in memory).
#include <host/Levels.h>
#include <FieldType.h>
#include <SaveFile.h>
#include <framework/App.h>
#include <io/ByteArrayOutputStream.h>
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <io/std/RegularFile.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <lua.hpp>
#include <filesystem>

namespace host
{

namespace
{

/** to[key] = from[key] when from holds the key (any type). */
void copy(lua::LuaTable const& from, lua::LuaTable& to, char const* key)
{
	lua_State* lua = lua::LuaAccess::get(from.getLuaState());
	lua::LuaStackRestore restore(from.getLuaState());
	lua::LuaState::pushTable(lua, &to);
	from.pushMember(key);
	if (lua_isnil(lua, -1))
		return;
	lua_setfield(lua, -2, key);
}

/** to[key] = from[key] when that is a number. */
void copyNumber(lua::LuaTable const& from, lua::LuaTable& to, char const* key)
{
	if (fieldType(from, key) == LUA_TNUMBER)
		copy(from, to, key);
}

/** The string from[key], or "" when it is not a string. */
std::string stringOf(lua::LuaTable const& from, char const* key)
{
	return fieldType(from, key) == LUA_TSTRING ? from.getString(key) : std::string();
}

/** The per-object table of one scene object. */
lua::LuaTable objectTable(lua::LuaTable const& object, bool forReload)
{
	lua::LuaTable out(object.getLuaState());
	for (char const* key : {"angle", "x", "y", "name", "definition"})
		copy(object, out, key);
	if (!forReload)
	{
		if (fieldType(object, "gravityFilterCategory") == LUA_TSTRING && object.getString("gravityFilterCategory") != "NONE")
			copy(object, out, "gravityFilterCategory");
		if (fieldType(object, "triggerEvents") == LUA_TTABLE)
			copy(object, out, "triggerEvents");
	}
	copy(object, out, "type");
	if (stringOf(object, "type") == "compound")
		out.setString("definition", "compound");
	if (fieldType(object, "scale") != LUA_TNIL)
		copy(object, out, "scale");
	else
	{
		copy(object, out, "scaleX");
		copy(object, out, "scaleY");
	}
	for (char const* key : {"themeTexture", "startNumber", "episodeType", "pageNumber", "shotPattern", "useEmotionSensor"})
		copy(object, out, key);
	std::string const sensor = stringOf(object, "sensorType");
	if (!sensor.empty())
		copy(object, out, "sensorType");
	if (sensor == "gravitation")
	{
		for (char const* key : {"gravitationMinForce", "gravitationMaxForce"})
			copy(object, out, key);
		if (fieldType(object, "radius") != LUA_TNIL)
			copy(object, out, "radius");
		else
			for (char const* key : {"width", "height", "forceAngle"})
				copy(object, out, key);
	}
	else if (sensor == "stream")
	{
		for (char const* key : {"radius", "force", "nodes", "vertices"})
			copy(object, out, key);
	}
	else if (sensor == "killing")
	{
		for (char const* key : {"width", "height"})
			copy(object, out, key);
	}
	if (fieldType(object, "canBeEdited") == LUA_TBOOLEAN && object.getBoolean("canBeEdited"))
	{
		for (char const* key : {"explosionRadius", "explosionForce", "explosionDamageRadius", "explosionDamage", "startingForce", "forceAngle"})
			copyNumber(object, out, key);
	}
	return out;
}

} // namespace

lua::LuaTable Levels::buildLevelTable(bool forReload)
{
	lua::LuaTable level(m_core.table.getLuaState());
	for (char const* key : {"trainCarts", "theme", "flyerCameraData", "castleCameraData", "focusCameraData", "physicsToWorld", "joints",
							"compounds", "counts", "doNotWaitForMovingObjects", "themeSprites", "gravityForceMultiplier"})
		copy(m_core.objects, level, key);
	if (!forReload)
		copy(m_core.objects, level, "worldGravity");

	lua::LuaTable world(m_core.table.getLuaState());
	level.setTable("world", world);
	if (fieldType(m_core.objects, "world") != LUA_TTABLE)
		return level;
	lua::LuaTable objects = m_core.objects.getTable("world");
	lua_State* lua = lua::LuaAccess::get(m_core.table.getLuaState());
	lua::LuaStackRestore restore(m_core.table.getLuaState());
	lua::LuaState::pushTable(lua, &objects);
	int const at = lua_gettop(lua);
	lua_pushnil(lua);
	while (lua_next(lua, at) != 0)
	{
		if (lua_type(lua, -1) == LUA_TTABLE && (lua_type(lua, -2) == LUA_TSTRING || lua_type(lua, -2) == LUA_TNUMBER))
		{
			lua::LuaTable object = m_core.table.getLuaState()->toTable(-1);
			std::string const definition = stringOf(object, "definition");
			bool skip = definition == "BLOCK_SENSOR_TARGET_A" || definition == "BLOCK_SENSOR_TARGET_B";
			if (forReload)
				skip = skip || definition == "BLOCK_SENSOR_TARGET_A_2" || definition == "BLOCK_SENSOR_TARGET_B_2";
			if (!skip)
			{
				lua::LuaTable entry = objectTable(object, forReload);
				// world[key] = entry, with the key as it is (string or number).
				lua::LuaState::pushTable(lua, &world);
				lua_pushvalue(lua, -3);
				lua::LuaState::pushTable(lua, &entry);
				lua_rawset(lua, -3);
				lua_pop(lua, 1);
			}
		}
		lua_pop(lua, 1);
	}
	return level;
}

void Levels::saveLevel(std::string const& name)
{
	std::string const file = m_core.app->path(name + ".lua");
	SaveFile::writeOrLog(file, [&] {
		lua::LuaTable level = buildLevelTable(false);
		io::ByteArrayOutputStream text;
		level.write(text, 0, false);
		// The level's folders below the save folder, never through a link.
		io::makeFoldersWithin(io::detail::appdataPath(), std::filesystem::path(file).parent_path());
		std::vector<unsigned char> const& bytes = text.data();
		SaveFile::write(file, bytes.data(), bytes.size(), false);
	});
}

void Levels::saveLevelForReload(std::string const&)
{
	m_core.objects.setTable("previousLevel", buildLevelTable(true));
}

} // namespace host
