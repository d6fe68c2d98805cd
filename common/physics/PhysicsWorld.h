#pragma once

#include <box2d/box2d.h>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace physics
{

/**
 * The game's physics world: owns a Box2D 2.4.1 b2World and is the only
 * caller of its mutating API. Over the library it keeps what the game was
 * tuned for with the 2.2 library:
 *
 * - Sleep: an island of bodies falls asleep after 0.5 s below 0.5 m/s and
 *   2 degrees/s once its contacts and rigid joints are solved (the world's
 *   own sleeping is off; the layer runs the island rule after each step).
 * - Damping: v is scaled by clamp(1 - h d, 0, 1) per step.
 * - A dynamic body without mass (only density-0 fixtures) gets mass 1 at its
 *   origin and no inertia, so gravity and forces move it.
 * - Forces, impulses and torques always wake the body; the accumulated force
 *   and torque of each body can be read back (bodyForce, bodyTorque).
 * - Distance joints are springs of a frequency and damping ratio; frequency
 *   0 is a rigid rod.
 * - Motor and limit setters wake both bodies.
 *
 * Every operation refuses what would reach an assertion of the library (a
 * non-finite number, a shape of no area, a change while the world is
 * locked) with lang::Exception and changes nothing then.
 *
 * Callbacks: the world's listeners are the layer's; they pass each call on to
 * the listeners given to setListeners. While the library steps or a listener
 * runs (also during destroyBody and setEnabled, which report EndContact and
 * SayGoodbye), the world is busy(): callers queue their changes with defer()
 * and the layer runs them in order when the outermost operation returns. An
 * exception from a listener is kept, the contact listener gets no further
 * calls for the rest of the operation, and the exception is thrown again
 * once the operation and the queued requests are done.
 *
 * Main thread only.
 */
class PhysicsWorld
{
public:
	/** Fixture parameters. */
	struct FixtureParams
	{
		float density = 0.f;
		float friction = 0.2f;
		float restitution = 0.f;
		bool sensor = false;
		b2Filter filter;
		uintptr_t userData = 0;
	};

	/**
	 * Distance joint: the two bodies, world anchors, the length it holds
	 * (when not given, the distance between the anchors), spring frequency
	 * (Hz) and damping ratio.
	 */
	struct DistanceJointParams
	{
		b2Body* bodyA = nullptr;
		b2Body* bodyB = nullptr;
		b2Vec2 anchorA = b2Vec2_zero;
		b2Vec2 anchorB = b2Vec2_zero;
		std::optional<float> length;
		bool collideConnected = false;
		float frequencyHz = 0.f;
		float dampingRatio = 0.f;
	};

	/**
	 * A world with gravity; allowSleep decides whether bodies ever sleep.
	 * The world does not clear forces after a step (clearForces does).
	 * @exception lang::Exception For a non-finite gravity.
	 */
	PhysicsWorld(b2Vec2 const& gravity, bool allowSleep);

	/** Destroys the world with every body and joint; reports nothing to the listeners. */
	~PhysicsWorld();

	/** The library's world, for reading (queries of body lists, gravity, contacts). */
	b2World const* world() const { return m_world; }

	/**
	 * The listeners that get the world's callbacks (any may be null). Not
	 * owned; they must outlive the world or be replaced first.
	 */
	void setListeners(b2ContactListener* contacts, b2ContactFilter* filter, b2DestructionListener* destruction);

	/** Whether bodies may fall asleep (the constructor's allowSleep). */
	bool allowSleep() const { return m_allowSleep; }

	/** @exception lang::Exception For a non-finite gravity. */
	void setGravity(b2Vec2 const& gravity);

	// --- Steps ---------------------------------------------------------------

	/**
	 * One step of h seconds (nothing for h <= 0), then the island sleep rule,
	 * then the queued requests; then a listener's exception is thrown again.
	 * @exception lang::Exception When busy or h is not finite.
	 */
	void step(float h, int velocityIterations, int positionIterations);

	/**
	 * Advances body alone by dt in free flight (nothing for dt <= 0 or a body
	 * that is not dynamic): gravity (not scaled by the body's gravity scale)
	 * and the body's accumulated force and torque, 2.2 damping, the library's
	 * largest translation and rotation per step. No contact, joint or sleep
	 * bookkeeping; the body's proxy moves, but contacts are only found at the
	 * next step. The iteration counts are not used.
	 * @exception lang::Exception When busy or dt is not finite.
	 */
	void stepForAiming(float dt, int velocityIterations, int positionIterations, b2Body* body);

	/** Zeroes every body's accumulated force and torque. */
	void clearForces();

	/** Zeroes body's accumulated force and torque; keeps its velocities and awake state. @exception lang::Exception When busy. */
	void clearBodyForces(b2Body* body);

	// --- Bodies --------------------------------------------------------------

	/**
	 * A body of type at position and angle (all other definition values the
	 * library's defaults). user is kept for userData().
	 * @exception lang::Exception When busy or a number is not finite.
	 */
	b2Body* createBody(b2BodyType type, b2Vec2 const& position, float angle, void* user);

	/** Destroys body with its fixtures and joints (reported through SayGoodbye). @exception lang::Exception When busy. */
	void destroyBody(b2Body* body);

	/** The user pointer of createBody or setUserData. */
	static void* userData(b2Body const* body);

	static void setUserData(b2Body* body, void* user);

	/*
	 * Shapes: each also refuses a shape whose mass or inertia the library
	 * cannot compute (overflow, or a shape so far from the body origin that
	 * its inertia about the centre of mass rounds to nothing).
	 */

	/** A box of half sizes hx, hy around the body origin. @exception lang::Exception Busy, not finite, not above 0, or no area with density. */
	b2Fixture* createBox(b2Body* body, float hx, float hy, FixtureParams const& params);

	/** A circle of radius at local centre. @exception lang::Exception Busy, not finite or radius not above 0. */
	b2Fixture* createCircle(b2Body* body, b2Vec2 const& centre, float radius, FixtureParams const& params);

	/**
	 * A convex polygon: the convex hull of points (3 to 8 of them, any
	 * order; points closer than half the linear slop count as one).
	 * @exception lang::Exception Busy, not finite, too few or too many points, or a hull without area.
	 */
	b2Fixture* createPolygon(b2Body* body, std::vector<b2Vec2> const& points, FixtureParams const& params);

	/** A two-sided edge. @exception lang::Exception Busy, not finite, or shorter than half the linear slop. */
	b2Fixture* createEdge(b2Body* body, b2Vec2 const& a, b2Vec2 const& b, FixtureParams const& params);

	/** @exception lang::Exception When busy. */
	void setType(b2Body* body, b2BodyType type);
	/** @exception lang::Exception When busy. */
	void setFixedRotation(b2Body* body, bool fixed);
	/** Recomputes the mass from the fixtures. @exception lang::Exception When busy. */
	void resetMassData(b2Body* body);
	/** Puts the body in or out of the simulation; contacts end through EndContact. @exception lang::Exception When busy. */
	void setEnabled(b2Body* body, bool enabled);
	/** @exception lang::Exception When busy or not finite. */
	void setTransform(b2Body* body, b2Vec2 const& position, float angle);
	/** Sets the sensor flag of every fixture of body. */
	void setSensor(b2Body* body, bool sensor);

	void setBullet(b2Body* body, bool bullet);
	/** Whether the body may sleep (true by default); false keeps its island awake. */
	void setSleepingAllowed(b2Body* body, bool allowed);
	/** @exception lang::Exception When not finite. */
	void setGravityScale(b2Body* body, float scale);
	/** Wakes (timer restarts) or puts to sleep (velocities, forces and timer zeroed). */
	void setAwake(b2Body* body, bool awake);

	/** Velocity setters; a non-zero value wakes. Nothing for a static body. @exception lang::Exception When not finite. */
	void setLinearVelocity(b2Body* body, b2Vec2 const& v);
	void setAngularVelocity(b2Body* body, float w);

	/** 2.2 damping d: velocity scaled by clamp(1 - h d, 0, 1) each step. @exception lang::Exception When NaN. */
	void setLinearDamping(b2Body* body, float d);
	void setAngularDamping(b2Body* body, float d);
	/** The damping given to the setters (0 by default). */
	static float linearDamping(b2Body const* body);
	static float angularDamping(b2Body const* body);

	/** Force or impulse at a world point, torque; only dynamic bodies, always waking them. @exception lang::Exception When not finite. */
	void applyForce(b2Body* body, b2Vec2 const& force, b2Vec2 const& point);
	void applyForceToCenter(b2Body* body, b2Vec2 const& force);
	void applyTorque(b2Body* body, float torque);
	void applyLinearImpulse(b2Body* body, b2Vec2 const& impulse, b2Vec2 const& point);

	/** Force and torque accumulated since the last clear. */
	static b2Vec2 bodyForce(b2Body const* body);
	static float bodyTorque(b2Body const* body);

	// --- Joints --------------------------------------------------------------

	/** A joint of the library's definition (not a distance joint: see below). @exception lang::Exception When busy or a body is missing. */
	b2Joint* createJoint(b2JointDef const& def);

	/** A distance joint with 2.2's spring. @exception lang::Exception When busy, bodies missing or numbers not finite. */
	b2Joint* createDistanceJoint(DistanceJointParams const& params);

	/** @exception lang::Exception When busy. */
	void destroyJoint(b2Joint* joint);

	/**
	 * Changes a distance joint's spring (frequency 0: a rigid rod of the
	 * current length) and wakes both bodies; other joint types are left alone.
	 * @exception lang::Exception When busy or a number is not finite.
	 */
	void setDistanceSpring(b2Joint* joint, float frequencyHz, float dampingRatio);

	/** Revolute and prismatic motor and limit setters; each wakes both bodies. Other joint types are left alone. */
	void enableMotor(b2Joint* joint, bool enable);
	void setMotorSpeed(b2Joint* joint, float speed);
	/** Maximum motor torque (revolute) or force (prismatic). */
	void setMaxMotor(b2Joint* joint, float value);
	void enableLimit(b2Joint* joint, bool enable);
	void setLimits(b2Joint* joint, float lower, float upper);

	// --- Queries -------------------------------------------------------------

	/** Reports every fixture whose proxy overlaps box. @exception lang::Exception When not finite. */
	void queryAABB(b2QueryCallback* callback, b2AABB const& box) const;

	/** Casts a ray from a to b; a zero-length ray reports nothing. @exception lang::Exception When not finite. */
	void rayCast(b2RayCastCallback* callback, b2Vec2 const& a, b2Vec2 const& b) const;

	// --- Callbacks and queued requests ----------------------------------------

	/** True while the library steps, a listener runs, or destroyBody / setEnabled report. */
	bool busy() const { return m_depth > 0 || m_world->IsLocked(); }

	/** Runs request now when not busy; else queues it to run when the outermost operation returns. */
	void defer(std::function<void()> request);

	/** Time step of the last step (used for damping); 1/30 at start. */
	float timeStep() const { return m_timeStep; }

private:
	struct BodyState;
	struct Spring
	{
		float frequencyHz;
		float dampingRatio;
	};
	class Listeners;
	class BusyScope;

	b2World* m_world;
	Listeners* m_listeners;
	bool m_allowSleep;
	float m_timeStep;
	int m_depth;
	bool m_finishing;
	std::vector<std::function<void()>> m_queue;
	std::exception_ptr m_failure;
	std::map<b2Joint*, Spring> m_springs;
	/** Bodies whose ledger holds a force or torque since the last clearForces. */
	std::vector<b2Body*> m_pushed;

	static BodyState& state(b2Body const* body);
	void checkIdle(char const* operation) const;
	/** Gives a dynamic body without mass the mass 1 at its origin. */
	void fixMass(b2Body* body);
	void applyDamping(b2Body* body);
	/** Adds to body's force ledger. */
	void ledger(b2Body* body, b2Vec2 const& force, float torque);
	void updateSprings();
	/** The island rule after a step. */
	void sleepIslands(float h);
	void forgetJoint(b2Joint* joint);
	b2Fixture* addFixture(b2Body* body, b2Shape const& shape, FixtureParams const& params);
	/** @exception lang::Exception When the library could not compute the body's mass with shape added. */
	static void checkMass(b2Body const* body, b2Shape const& shape, float density);
	/** Runs the queue and throws a kept exception; at the end of the outermost operation. */
	void finish();

	PhysicsWorld(PhysicsWorld const&) = delete;
	PhysicsWorld& operator=(PhysicsWorld const&) = delete;
};

} // physics
