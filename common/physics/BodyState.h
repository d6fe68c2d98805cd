#pragma once

#include <physics/PhysicsWorld.h>
#include <cstdint>

namespace physics
{

/** What the layer keeps per body, reached through the body's user data. */
struct PhysicsWorld::BodyState
{
	/** The caller's pointer (userData()). */
	void* user = nullptr;
	/** Damping as given (2.2 meaning); the library gets it converted for the step. */
	float linearDamping = 0.f;
	float angularDamping = 0.f;
	/** Seconds the body has been slow enough to sleep. */
	float sleepTime = 0.f;
	/** Force and torque applied since the last clear. */
	b2Vec2 force = b2Vec2_zero;
	float torque = 0.f;
	/** The body is in PhysicsWorld::m_pushed. */
	bool pushed = false;
	/** Island pass that last visited the body. */
	uint64_t mark = 0;
};

/** Inverse mass of body (0 for a body without mass). */
float inverseMass(b2Body const* body);

/** Inverse rotational inertia about the centre of mass (0 for fixed rotation or no inertia). */
float inverseInertia(b2Body const* body);

} // physics
