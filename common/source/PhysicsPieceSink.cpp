#include <PhysicsPieceSink.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <physics/PhysicsWorld.h>
#include <vector>

PhysicsPieceSink::PhysicsPieceSink(physics::PhysicsWorld& world, std::string const& label) :
	m_world(world),
	m_label(label),
	m_refused(0)
{
}

bool PhysicsPieceSink::addPiece(b2Body* body, decomp::b2Polygon const& piece, b2FixtureDef const& prototype)
{
	if (m_world.busy())
		throw lang::Exception(lang::Format("{0}: the physics world is busy", m_label));
	std::vector<b2Vec2> points(piece.count());
	for (int i = 0; i < piece.count(); ++i)
		points[i] = piece.vertex(i);
	physics::PhysicsWorld::FixtureParams params;
	params.density = prototype.density;
	params.friction = prototype.friction;
	params.restitution = prototype.restitution;
	params.sensor = prototype.isSensor;
	params.filter = prototype.filter;
	params.userData = prototype.userData.pointer;
	try
	{
		m_world.createPolygon(body, points, params);
		return true;
	}
	catch (lang::Exception const& e)
	{
		++m_refused;
		lang::Debug::printf("%s: piece dropped: %s\n", m_label.c_str(), e.getMessage().format().c_str());
		return false;
	}
}
