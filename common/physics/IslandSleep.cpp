// 2.2's sleep rule, run after each step: islands of awake bodies joined by
// touching contacts and joints (not through static bodies) sleep together
// once every body has been slow for b2_timeToSleep and the island is solved.
#include <physics/PhysicsWorld.h>
#include <physics/BodyState.h>
#include <vector>

namespace physics
{

namespace
{

/** 2.2's linear sleep tolerance (0.5 m/s) squared, and 2 degrees/s squared. */
float const LINEAR_SLEEP_TOLERANCE_SQUARED = 0.25f;
float const ANGULAR_SLEEP_TOLERANCE_SQUARED = 0.0012184699f;

bool counts(b2Contact const* contact)
{
	return contact->IsEnabled() && contact->IsTouching() && !contact->GetFixtureA()->IsSensor() &&
		!contact->GetFixtureB()->IsSensor();
}

/** Whether the contact's points are no deeper than 2.2's position solver tolerates. */
bool contactSolved(b2Contact* contact)
{
	b2WorldManifold manifold;
	contact->GetWorldManifold(&manifold);
	for (int i = 0; i < contact->GetManifold()->pointCount; ++i)
	{
		if (manifold.separations[i] < -3.f * b2_linearSlop)
			return false;
	}
	return true;
}

/** Whether a joint that holds two points together does so. */
bool jointSolved(b2Joint* joint)
{
	switch (joint->GetType())
	{
	case e_revoluteJoint:
	case e_weldJoint:
		return b2Distance(joint->GetAnchorA(), joint->GetAnchorB()) <= b2_linearSlop;
	case e_distanceJoint:
	{
		b2DistanceJoint* distance = static_cast<b2DistanceJoint*>(joint);
		if (distance->GetMinLength() < distance->GetMaxLength())
			return true;
		return b2Abs(b2Distance(joint->GetAnchorA(), joint->GetAnchorB()) - distance->GetLength()) <= b2_linearSlop;
	}
	default:
		return true;
	}
}

/** Whether every contact and joint of the island's bodies is solved (the island may sleep). */
bool islandSolved(std::vector<b2Body*> const& island)
{
	for (b2Body* body : island)
	{
		for (b2ContactEdge* edge = body->GetContactList(); edge; edge = edge->next)
		{
			if (counts(edge->contact) && !contactSolved(edge->contact))
				return false;
		}
		for (b2JointEdge* edge = body->GetJointList(); edge; edge = edge->next)
		{
			if (edge->other->IsEnabled() && !jointSolved(edge->joint))
				return false;
		}
	}
	return true;
}

} // namespace

void PhysicsWorld::sleepIslands(float h)
{
	static uint64_t pass = 0;
	++pass;
	std::vector<b2Body*> stack;
	std::vector<b2Body*> island;
	for (b2Body* seed = m_world->GetBodyList(); seed; seed = seed->GetNext())
	{
		BodyState& seedState = state(seed);
		if (seedState.mark == pass)
			continue;
		if (!seed->IsAwake() || !seed->IsEnabled() || seed->GetType() == b2_staticBody)
		{
			if (!seed->IsAwake())
				seedState.sleepTime = 0.f;
			continue;
		}
		island.clear();
		stack.clear();
		stack.push_back(seed);
		seedState.mark = pass;
		while (!stack.empty())
		{
			b2Body* body = stack.back();
			stack.pop_back();
			island.push_back(body);
			for (b2ContactEdge* edge = body->GetContactList(); edge; edge = edge->next)
			{
				b2Body* other = edge->other;
				if (!counts(edge->contact) || other->GetType() == b2_staticBody || state(other).mark == pass)
					continue;
				state(other).mark = pass;
				stack.push_back(other);
			}
			for (b2JointEdge* edge = body->GetJointList(); edge; edge = edge->next)
			{
				b2Body* other = edge->other;
				if (!other->IsEnabled() || other->GetType() == b2_staticBody || state(other).mark == pass)
					continue;
				state(other).mark = pass;
				stack.push_back(other);
			}
		}

		float minSleepTime = b2_maxFloat;
		for (b2Body* body : island)
		{
			BodyState& s = state(body);
			b2Vec2 v = body->GetLinearVelocity();
			float w = body->GetAngularVelocity();
			if (!body->IsSleepingAllowed() || w * w > ANGULAR_SLEEP_TOLERANCE_SQUARED ||
				b2Dot(v, v) > LINEAR_SLEEP_TOLERANCE_SQUARED)
			{
				s.sleepTime = 0.f;
				minSleepTime = 0.f;
			}
			else
			{
				s.sleepTime += h;
				minSleepTime = b2Min(minSleepTime, s.sleepTime);
			}
		}
		if (minSleepTime >= b2_timeToSleep && islandSolved(island))
		{
			for (b2Body* body : island)
				setAwake(body, false);
		}
	}
}

} // physics
