#pragma once

#include <box2d/b2_math.h>
#include <string>
#include <vector>

namespace lua
{
class LuaState;
}

/** One part of a compound body's description, read and checked. */
struct CompoundPart
{
	/** Offset in the body frame ("x", "y") and angle ("angle", radians). */
	b2Vec2 offset = b2Vec2_zero;
	float angle = 0.f;
	/** "definition": the part's name in the record's part list. */
	std::string definition;
	/** blockData.sprite: a composite sprite's or a sprite sheet's (and its sprite's) name, or "". */
	std::string sprite;
	/** blockData.type: "polygon", "line", "box", "circle" or anything else. */
	std::string type;
	/** Points of "worldVertices" (polygon) and blockData.vertices (line), relative to the offset. */
	std::vector<b2Vec2> worldVertices;
	std::vector<b2Vec2> vertices;
	/** blockData.width, height and radius. */
	float width = 0.f;
	float height = 0.f;
	float radius = 0.f;
};

/**
 * A compound body's description table (createCompoundBodyFromTable), read
 * into plain values so that the body is made only once all of it is known
 * to be good. Missing numbers read as 0, missing strings as "".
 */
struct CompoundDescription
{
	std::string name;
	b2Vec2 position = b2Vec2_zero;
	float angle = 0.f;
	/** The material: "density", "friction", "restitution". */
	float density = 0.f;
	float friction = 0.f;
	float restitution = 0.f;
	/** Number of entries of "children", tables or not: the size of the record's part lists. */
	int childCount = 0;
	/** The entries of "children" that are tables, in the table's order. */
	std::vector<CompoundPart> parts;

	/**
	 * Reads the description table at stack position index of state. Points
	 * are read from each point table's "x" and "y" in table order; entries
	 * that are not tables are skipped.
	 * @exception lua::LuaException The table getter's error when "material" or
	 *            "children" (or the description itself) is not a table; a
	 *            number that is not finite, naming the compound and part; a
	 *            density below 0.
	 */
	static CompoundDescription read(lua::LuaState* state, int index);
};
