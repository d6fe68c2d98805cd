#pragma once

#include <decomp/PieceSink.h>
#include <string>

namespace physics
{
class PhysicsWorld;
}

/**
 * Makes the pieces of a convex decomposition into fixtures through the
 * physics layer (PhysicsWorld::createPolygon), so that each piece passes the
 * layer's polygon check and the massless-body rule before the library sees
 * it. A piece the layer refuses is logged with the label and dropped.
 */
class PhysicsPieceSink : public decomp::PieceSink
{
public:
	/** Pieces go to world, which must outlive the sink; label names the outline in log lines. */
	PhysicsPieceSink(physics::PhysicsWorld& world, std::string const& label);

	/** Number of pieces refused so far. */
	int refused() const { return m_refused; }

	/** @exception lang::Exception When the world is busy (the layer's rule). */
	bool addPiece(b2Body* body, decomp::b2Polygon const& piece, b2FixtureDef const& prototype) override;

private:
	physics::PhysicsWorld& m_world;
	std::string m_label;
	int m_refused;
};
