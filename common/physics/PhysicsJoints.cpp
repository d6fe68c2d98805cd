// Joints of the physics world: creation, 2.2's distance springs, and the
// motor and limit setters that wake both bodies.
#include <physics/PhysicsWorld.h>
#include <physics/BodyState.h>
#include <physics/FiniteValues.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <cmath>

namespace physics
{

b2Joint* PhysicsWorld::createJoint(b2JointDef const& def)
{
	checkIdle("createJoint");
	if (!def.bodyA || !def.bodyB || def.bodyA == def.bodyB)
		throw lang::Exception(lang::Format("createJoint: a joint needs two different bodies"));
	if (def.type == e_distanceJoint)
		throw lang::Exception(lang::Format("createJoint: distance joints are made by createDistanceJoint"));
	return m_world->CreateJoint(&def);
}

b2Joint* PhysicsWorld::createDistanceJoint(DistanceJointParams const& params)
{
	checkIdle("createDistanceJoint");
	if (!params.bodyA || !params.bodyB || params.bodyA == params.bodyB)
		throw lang::Exception(lang::Format("createDistanceJoint: a joint needs two different bodies"));
	for (float value : {params.anchorA.x, params.anchorA.y, params.anchorB.x, params.anchorB.y, params.length.value_or(0.f),
			 params.frequencyHz, params.dampingRatio})
	{
		if (!std::isfinite(value))
			throw lang::Exception(lang::Format("createDistanceJoint: {0} is not a finite number", value));
	}
	b2DistanceJointDef def;
	def.Initialize(params.bodyA, params.bodyB, params.anchorA, params.anchorB);
	if (params.length)
	{
		// As Initialize bounds a measured length.
		def.length = b2Max(*params.length, b2_linearSlop);
		def.minLength = def.length;
		def.maxLength = def.length;
	}
	def.collideConnected = params.collideConnected;
	float frequency = params.frequencyHz > 0.f ? params.frequencyHz : 0.f;
	// Initialize sets minimum = maximum = length: 2.2's rigid rod, which is
	// what frequency 0 means. A spring has no limits in 2.2; without
	// stiffness 2.4.1 would make a free rope of it.
	if (frequency > 0.f)
	{
		def.minLength = 0.f;
		def.maxLength = FLT_MAX;
	}
	b2Joint* joint = m_world->CreateJoint(&def);
	if (frequency > 0.f)
		m_springs[joint] = Spring{frequency, params.dampingRatio};
	return joint;
}

void PhysicsWorld::destroyJoint(b2Joint* joint)
{
	checkIdle("destroyJoint");
	forgetJoint(joint);
	m_world->DestroyJoint(joint);
}

void PhysicsWorld::setDistanceSpring(b2Joint* joint, float frequencyHz, float dampingRatio)
{
	checkIdle("setDistanceSpring");
	if (!std::isfinite(frequencyHz) || !std::isfinite(dampingRatio))
		throw lang::Exception(lang::Format("setDistanceSpring: {0} Hz, ratio {1} is no spring", frequencyHz, dampingRatio));
	if (joint->GetType() != e_distanceJoint)
		return;
	b2DistanceJoint* distance = static_cast<b2DistanceJoint*>(joint);
	if (frequencyHz > 0.f)
	{
		distance->SetMinLength(0.f);
		distance->SetMaxLength(FLT_MAX);
		m_springs[joint] = Spring{frequencyHz, dampingRatio};
	}
	else
	{
		// The minimum first: it is clamped to the maximum.
		float length = distance->GetLength();
		distance->SetMinLength(length);
		distance->SetMaxLength(length);
		distance->SetStiffness(0.f);
		distance->SetDamping(0.f);
		m_springs.erase(joint);
	}
	joint->GetBodyA()->SetAwake(true);
	joint->GetBodyB()->SetAwake(true);
}

void PhysicsWorld::forgetJoint(b2Joint* joint)
{
	m_springs.erase(joint);
}

void PhysicsWorld::updateSprings()
{
	// 2.2 derives stiffness and damping from the effective mass along the
	// current axis, rotational terms included.
	for (auto const& [joint, spring] : m_springs)
	{
		b2DistanceJoint* distance = static_cast<b2DistanceJoint*>(joint);
		b2Body* a = joint->GetBodyA();
		b2Body* b = joint->GetBodyB();
		b2Vec2 pa = joint->GetAnchorA();
		b2Vec2 pb = joint->GetAnchorB();
		b2Vec2 u = pb - pa;
		if (u.Length() > b2_linearSlop)
			u.Normalize();
		else
			u.SetZero();
		float crA = b2Cross(pa - a->GetWorldCenter(), u);
		float crB = b2Cross(pb - b->GetWorldCenter(), u);
		float invMass = inverseMass(a) + inverseInertia(a) * crA * crA + inverseMass(b) + inverseInertia(b) * crB * crB;
		float mass = invMass != 0.f ? 1.f / invMass : 0.f;
		float omega = 2.f * b2_pi * spring.frequencyHz;
		distance->SetStiffness(mass * omega * omega);
		distance->SetDamping(2.f * mass * spring.dampingRatio * omega);
	}
}

namespace
{

/** Runs revolute or prismatic on a joint of that type, then wakes both bodies; other types are left alone. */
template <class Revolute, class Prismatic>
void onMotorJoint(b2Joint* joint, Revolute const& revolute, Prismatic const& prismatic)
{
	if (joint->GetType() == e_revoluteJoint)
		revolute(static_cast<b2RevoluteJoint*>(joint));
	else if (joint->GetType() == e_prismaticJoint)
		prismatic(static_cast<b2PrismaticJoint*>(joint));
	else
		return;
	joint->GetBodyA()->SetAwake(true);
	joint->GetBodyB()->SetAwake(true);
}

} // namespace

void PhysicsWorld::enableMotor(b2Joint* joint, bool enable)
{
	onMotorJoint(
		joint, [&](b2RevoluteJoint* j) { j->EnableMotor(enable); }, [&](b2PrismaticJoint* j) { j->EnableMotor(enable); });
}

void PhysicsWorld::setMotorSpeed(b2Joint* joint, float speed)
{
	requireFinite("setMotorSpeed", speed);
	onMotorJoint(
		joint, [&](b2RevoluteJoint* j) { j->SetMotorSpeed(speed); }, [&](b2PrismaticJoint* j) { j->SetMotorSpeed(speed); });
}

void PhysicsWorld::setMaxMotor(b2Joint* joint, float value)
{
	requireFinite("setMaxMotor", value);
	onMotorJoint(
		joint, [&](b2RevoluteJoint* j) { j->SetMaxMotorTorque(value); }, [&](b2PrismaticJoint* j) { j->SetMaxMotorForce(value); });
}

void PhysicsWorld::enableLimit(b2Joint* joint, bool enable)
{
	onMotorJoint(
		joint, [&](b2RevoluteJoint* j) { j->EnableLimit(enable); }, [&](b2PrismaticJoint* j) { j->EnableLimit(enable); });
}

void PhysicsWorld::setLimits(b2Joint* joint, float lower, float upper)
{
	if (!std::isfinite(lower) || !std::isfinite(upper) || lower > upper)
		throw lang::Exception(lang::Format("setLimits: {0} to {1} is no range", lower, upper));
	onMotorJoint(
		joint, [&](b2RevoluteJoint* j) { j->SetLimits(lower, upper); }, [&](b2PrismaticJoint* j) { j->SetLimits(lower, upper); });
}

} // physics
