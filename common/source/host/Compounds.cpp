// Compound bodies: one scene object whose body carries the fixtures of many
// parts, made from a description table; and the older pending compound list,
// which only collects shapes.
#include <host/Compounds.h>
#include <CompoundDescription.h>
#include <PhysicsPieceSink.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <decomp/ConvexDecomposition.h>
#include <game/CompoSprite.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <lua.hpp>
#include <algorithm>
#include <utility>

namespace host
{

namespace
{

char const* const CREATE_FUNCTION = "createCompoundBodyFromTable";

/** The four corners of a box of half-extents h centred at centre and rotated by angle. */
std::vector<b2Vec2> boxCorners(b2Vec2 const& centre, b2Vec2 const& h, float angle)
{
	b2Rot rotation(angle);
	std::vector<b2Vec2> corners;
	for (b2Vec2 const& corner : {b2Vec2(-h.x, -h.y), b2Vec2(h.x, -h.y), b2Vec2(h.x, h.y), b2Vec2(-h.x, h.y)})
		corners.push_back(centre + b2Mul(rotation, corner));
	return corners;
}

} // namespace

Compounds::Compounds(Core const& core, SceneObjects& scene) :
	m_core(core), m_scene(scene)
{
}

int Compounds::createCompoundBodyFromTable(lua::LuaState* state)
{
	int top = lua_gettop(lua::LuaAccess::get(state));
	CompoundDescription description = CompoundDescription::read(state, std::max(top, 1));
	for (CompoundPart const& part : description.parts)
	{
		std::string const& sprite = part.sprite;
		if (!sprite.empty() && !m_core.resources->getCompoSprite(sprite) && !m_core.resources->getSpriteSheet(sprite))
		{
			lang::Debug::printf("Sprite not found: %s\n", sprite.c_str());
			throw lua::LuaException(lang::Format("{0}: Sprite not found: {1}", CREATE_FUNCTION, sprite));
		}
	}
	m_scene.worldTable(); // a world that is no table fails before anything changes
	m_scene.world().defer([this, description] { buildCompound(description); });
	return 0;
}

void Compounds::buildCompound(CompoundDescription const& d)
{
	// The entry table first: a world that is no table fails before anything changes.
	lua::LuaTable entries = m_scene.worldTable();
	m_scene.removeObjectNow(d.name);

	physics::PhysicsWorld& world = m_scene.world();
	b2Body* body = world.createBody(d.density == 0.f ? b2_staticBody : b2_dynamicBody, d.position, d.angle, nullptr);
	RenderObjectData* object = new RenderObjectData(lua::LuaTable(m_core.table.getLuaState()));
	object->name = d.name;
	object->partSprites.assign(d.childCount, nullptr);
	object->partCompoSprites.assign(d.childCount, nullptr);
	object->partOffsets.assign(d.childCount, b2Vec2_zero);
	object->partAngles.assign(d.childCount, 0.f);
	object->partNames.assign(d.childCount, std::string());

	physics::PhysicsWorld::FixtureParams params;
	params.density = d.density;
	params.friction = d.friction;
	params.restitution = d.restitution;
	params.userData = reinterpret_cast<uintptr_t>(object);

	for (size_t i = 0; i < d.parts.size(); ++i)
	{
		CompoundPart const& part = d.parts[i];
		object->partOffsets[i] = part.offset;
		object->partAngles[i] = part.angle;
		object->partNames[i] = part.definition;
		// A composite of the name first, else the sprite of the name in the
		// sheet of the name (the sheet may have gone since the check).
		object->partCompoSprites[i] = m_core.resources->getCompoSprite(part.sprite);
		if (!object->partCompoSprites[i] && !part.sprite.empty())
		{
			if (game::SpriteSheet* sheet = m_core.resources->getSpriteSheet(part.sprite))
				object->partSprites[i] = sheet->getSprite(part.sprite);
			if (!object->partSprites[i])
				SceneObjects::reportMissingSprite(*object, part.sprite, "the sheet searched: the one loaded as \"" + part.sprite + "\"",
					"that part is drawn without a look");
		}

		std::string label = lang::Format("{0}: \"{1}\" part {2} (\"{3}\")", CREATE_FUNCTION, d.name, int(i), part.definition).format();
		try
		{
			if (part.type == "polygon")
			{
				std::vector<b2Vec2> points = part.worldVertices;
				for (b2Vec2& p : points)
					p += part.offset;
				decomp::b2Polygon outline(points.data(), int(points.size()));
				b2FixtureDef prototype;
				prototype.density = params.density;
				prototype.friction = params.friction;
				prototype.restitution = params.restitution;
				prototype.userData.pointer = params.userData;
				PhysicsPieceSink sink(world, label);
				int added = decomp::DecomposeConvexAndAddTo(outline, body, prototype, sink);
				if (added < 0)
					lang::Debug::printf("%s: the outline of %d points could not be triangulated; no fixture\n", label.c_str(),
						int(points.size()));
				else if (added == 0)
					lang::Debug::printf("%s: the outline of %d points gave no usable piece; no fixture\n", label.c_str(),
						int(points.size()));
			}
			else if (part.type == "line")
			{
				for (size_t k = 1; k < part.vertices.size(); ++k)
				{
					try
					{
						world.createEdge(body, part.vertices[k - 1] + part.offset, part.vertices[k] + part.offset, params);
					}
					catch (lang::Exception const& e)
					{
						lang::Debug::printf("%s: edge %d dropped: %s\n", label.c_str(), int(k), e.getMessage().format().c_str());
					}
				}
			}
			else if (part.type == "box")
			{
				if (part.width <= 0.f || part.height <= 0.f)
					lang::Debug::printf("%s: box of %g x %g; no fixture\n", label.c_str(), part.width, part.height);
				else
					world.createPolygon(body, boxCorners(part.offset, b2Vec2(part.width / 2, part.height / 2), part.angle), params);
			}
			else if (part.type == "circle")
			{
				if (part.radius <= 0.f)
					lang::Debug::printf("%s: circle of radius %g; no fixture\n", label.c_str(), part.radius);
				else
					world.createCircle(body, part.offset, part.radius, params);
			}
		}
		catch (lang::Exception const& e)
		{
			lang::Debug::printf("%s: no fixture: %s\n", label.c_str(), e.getMessage().format().c_str());
		}
	}

	lua::LuaTable& table = object->luaTable;
	table.setString("name", d.name);
	table.setString("type", "compound");
	table.setNumber("x", d.position.x);
	table.setNumber("y", d.position.y);
	table.setNumber("angle", d.angle);
	table.setNumber("density", d.density);
	table.setNumber("friction", d.friction);
	table.setNumber("restitution", d.restitution);
	table.setNumber("mass", body->GetMass());
	table.setNumber("xVel", 0.f);
	table.setNumber("yVel", 0.f);
	table.setNumber("z_order", 0.f);
	table.setNumber("animTimer", 0.f);
	table.setNumber("animFrame", 1.f);
	table.setNumber("animThresholdTimer", 0.f);
	table.setNumber("collisionEnabled", 1.f);

	object->name = d.name;
	object->body = body;
	object->isCompound = true;
	for (RenderObjectData::Snapshot& snapshot : object->snapshot)
	{
		snapshot.x = d.position.x;
		snapshot.y = d.position.y;
		snapshot.angle = d.angle;
	}
	object->renderX = d.position.x;
	object->renderY = d.position.y;
	object->renderAngle = d.angle;
	object->firstAngle = d.angle;
	object->hasFirstAngle = true;
	object->visible = true;
	object->collisionEnabled = true;
	object->radius = -1.f;
	object->z_order = 0.f;
	m_scene.registerObject(entries, object, true); // no sprite of its own: layer 0, no sheet
}

void Compounds::clearShapesArray()
{
	m_compoundShapes.clear();
	m_compoundShapeNames.clear();
}

void Compounds::addBoxToCompoundList(std::string const& name, float x, float y, float angle, float width, float height)
{
	CompoundShape shape;
	shape.kind = CompoundShape::BOX;
	shape.centre = b2Vec2(x, y);
	shape.halfExtents = b2Vec2(width / 2, height / 2);
	shape.angle = angle;
	m_compoundShapeNames.push_back(name);
	m_compoundShapes.push_back(shape);
}

void Compounds::addPolygonToCompoundList(std::string const& name, float x, float y, float, float, float)
{
	CompoundShape shape;
	shape.kind = CompoundShape::POLYGON;
	for (b2Vec2 const& p : m_scene.vertices())
		shape.points.push_back(p + b2Vec2(x, y));
	m_compoundShapeNames.push_back(name);
	m_compoundShapes.push_back(shape);
}

void Compounds::addLineToCompoundList(std::string const& name, float x, float y, float, float, float)
{
	m_compoundShapeNames.push_back(name);
	for (size_t i = 1; i < m_scene.vertices().size(); ++i)
	{
		CompoundShape shape;
		shape.kind = CompoundShape::EDGE;
		shape.points = {m_scene.vertices()[i - 1] + b2Vec2(x, y), m_scene.vertices()[i] + b2Vec2(x, y)};
		m_compoundShapes.push_back(shape);
	}
}

void Compounds::addCircleToCompoundList(std::string const& name, float x, float y, float, float radius)
{
	CompoundShape shape;
	shape.kind = CompoundShape::CIRCLE;
	shape.centre = b2Vec2(x, y);
	shape.radius = radius;
	m_compoundShapeNames.push_back(name);
	m_compoundShapes.push_back(shape);
}

void Compounds::setCompoundShapeLinearDamping(std::string const&, float)
{
}

void Compounds::setCompoundShapeParameter(std::string const&, float, float)
{
}

void Compounds::createCompoundObject(std::string const&, float, float, float, float, float, float, bool, bool, float)
{
}

} // namespace host
