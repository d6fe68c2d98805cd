#pragma once

#include <host/CompoundShape.h>
#include <host/Core.h>
#include <string>
#include <vector>

struct CompoundDescription;

namespace game
{
class SpriteSheet;
}

namespace lua
{
class LuaState;
}

namespace host
{

class SceneObjects;
struct RenderObjectData;

/**
 * Compound bodies: one scene object whose body carries the fixtures of many
 * parts, made from a description table; and the older pending compound
 * list, which only collects shapes.
 *
 * Main thread only.
 */
class Compounds
{
public:
	/**
	 * An empty pending list; no observable effect. core and scene are
	 * borrowed and must outlive the area.
	 */
	Compounds(Core const& core, SceneObjects& scene);

	Compounds(Compounds const&) = delete;
	Compounds& operator=(Compounds const&) = delete;

	/**
	 * Raw: (description) -> nothing. Makes one scene object of type
	 * "compound" whose body carries every part's fixtures (concave polygon
	 * parts cut into convex pieces). The whole description is read and
	 * checked before anything changes; a live object of the name is replaced;
	 * inside a physics step the creation waits for the step to end. A part
	 * whose shape the physics layer refuses (a box or circle of no size, a
	 * degenerate piece or edge, an outline that cannot be triangulated) gets
	 * no fixture and a log line; the other parts are kept.
	 * @exception lua::LuaException The type-check error when the description
	 *            is not a table; the table getter's error when "material" or
	 *            "children" is not a table; a number that is not finite
	 *            (naming the compound and part); a density below 0.
	 */
	int createCompoundBodyFromTable(lua::LuaState* state);

	/** Empties the pending compound list (shapes and names). */
	void clearShapesArray();
	/** Appends name and a box of half-extents width / 2, height / 2 centred at (x, y), rotated by angle. */
	void addBoxToCompoundList(std::string const& name, float x, float y, float angle, float width, float height);
	/** Appends name and a polygon of the addVertex points moved by (x, y); the last three numbers are not used. */
	void addPolygonToCompoundList(std::string const& name, float x, float y, float a, float b, float c);
	/** Appends name and an edge per consecutive pair of the addVertex points moved by (x, y); the last three numbers are not used. */
	void addLineToCompoundList(std::string const& name, float x, float y, float a, float b, float c);
	/** Appends name and a circle of radius centred at (x, y); a is not used. */
	void addCircleToCompoundList(std::string const& name, float x, float y, float a, float radius);
	/** No effect. */
	void setCompoundShapeLinearDamping(std::string const& name, float value);
	/** No effect. */
	void setCompoundShapeParameter(std::string const& name, float a, float b);
	/** No effect (nothing turns the pending list into a body). */
	void createCompoundObject(std::string const& name, float x, float y, float a, float b, float c, float d, bool e,
		bool f, float g);

	/** The pending compound list: its shapes and its names, as appended. */
	std::vector<CompoundShape> const& compoundShapes() const { return m_compoundShapes; }
	std::vector<std::string> const& compoundShapeNames() const { return m_compoundShapeNames; }

private:
	Core m_core;
	SceneObjects& m_scene;
	std::vector<CompoundShape> m_compoundShapes;
	std::vector<std::string> m_compoundShapeNames;

	/** Builds a compound object whose description createCompoundBodyFromTable read and checked. */
	void buildCompound(CompoundDescription const& description);
};

} // namespace host
