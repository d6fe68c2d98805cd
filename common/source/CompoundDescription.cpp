#include <CompoundDescription.h>
#include <ArgumentCheck.h>
#include <lang/Format.h>
#include <lua/LuaException.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <lua/LuaObject.h>
#include <lua.hpp>
#include <cmath>
#include <functional>

namespace
{

char const* const FUNCTION = "createCompoundBodyFromTable";

/** Calls visit with each value of table that is itself a table, in the table's order; returns the number of entries. */
int eachTable(lua::LuaState* state, lua::LuaTable const& table, std::function<void(lua::LuaTable const&)> const& visit)
{
	lua_State* lua = lua::LuaAccess::get(state);
	int top = lua_gettop(lua);
	lua::LuaValue::push(state, table);
	int index = lua_gettop(lua);
	int entries = 0;
	lua_pushnil(lua);
	while (lua_next(lua, index))
	{
		++entries;
		if (lua_istable(lua, -1))
		{
			lua::LuaTable value = state->toTable(-1);
			try
			{
				visit(value);
			}
			catch (...)
			{
				lua_settop(lua, top);
				throw;
			}
		}
		lua_pop(lua, 1);
	}
	lua_settop(lua, top);
	return entries;
}

/** The points of table (each point table's "x" and "y"), moved by nothing. */
std::vector<b2Vec2> points(lua::LuaState* state, lua::LuaTable const& table)
{
	std::vector<b2Vec2> out;
	eachTable(state, table, [&](lua::LuaTable const& point) { out.push_back(b2Vec2(point.getNumber("x"), point.getNumber("y"))); });
	return out;
}

/** The points of table[key] when that is a table; none otherwise. */
std::vector<b2Vec2> pointsUnder(lua::LuaState* state, lua::LuaTable const& table, char const* key)
{
	if (!table.isTable(key))
		return {};
	return points(state, table.getTable(key));
}

} // namespace

CompoundDescription CompoundDescription::read(lua::LuaState* state, int index)
{
	state->checkType(index, lua::LuaState::TYPE_TABLE);
	lua::LuaTable table = lua::LuaValue::readTable(state, index);

	CompoundDescription d;
	d.name = table.getString("name");
	d.position = b2Vec2(table.getNumber("x"), table.getNumber("y"));
	d.angle = table.getNumber("angle");
	lua::LuaTable material = table.getTable("material");
	d.density = material.getNumber("density");
	d.friction = material.getNumber("friction");
	d.restitution = material.getNumber("restitution");
	lua::LuaTable children = table.getTable("children");

	auto require = [&](float value, char const* what, int part) {
		if (std::isfinite(value))
			return;
		if (part < 0)
			throw lua::LuaException(lang::Format("{0}: \"{1}\": {2} is {3}", FUNCTION, d.name, what, numberText(value)));
		std::string label = lang::Format("\"{0}\" part {1} (\"{2}\")", d.name, part, d.parts[part].definition).format();
		throw lua::LuaException(lang::Format("{0}: {1}: {2} is {3}", FUNCTION, label, what, numberText(value)));
	};
	require(d.position.x, "x", -1);
	require(d.position.y, "y", -1);
	require(d.angle, "angle", -1);
	require(d.density, "density", -1);
	require(d.friction, "friction", -1);
	require(d.restitution, "restitution", -1);
	if (d.density < 0.f)
		throw lua::LuaException(lang::Format("{0}: \"{1}\": density {2} is below 0", FUNCTION, d.name, d.density));

	d.childCount = eachTable(state, children, [&](lua::LuaTable const& child) {
		int i = int(d.parts.size());
		d.parts.emplace_back();
		CompoundPart& part = d.parts.back();
		part.definition = child.getString("definition");
		part.offset = b2Vec2(child.getNumber("x"), child.getNumber("y"));
		part.angle = child.getNumber("angle");
		part.worldVertices = pointsUnder(state, child, "worldVertices");
		if (child.isTable("blockData"))
		{
			lua::LuaTable block = child.getTable("blockData");
			part.sprite = block.getString("sprite");
			part.type = block.getString("type");
			part.vertices = pointsUnder(state, block, "vertices");
			part.width = block.getNumber("width");
			part.height = block.getNumber("height");
			part.radius = block.getNumber("radius");
		}
		require(part.offset.x, "x", i);
		require(part.offset.y, "y", i);
		require(part.angle, "angle", i);
		require(part.width, "width", i);
		require(part.height, "height", i);
		require(part.radius, "radius", i);
		for (std::vector<b2Vec2> const* list : {&part.worldVertices, &part.vertices})
		{
			for (b2Vec2 const& p : *list)
			{
				require(p.x, "a point's x", i);
				require(p.y, "a point's y", i);
			}
		}
	});
	return d;
}
