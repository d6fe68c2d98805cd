#include <physics/PhysicsWorld.h>
#include <physics/BodyState.h>
#include <physics/ConvexOutline.h>
#include <physics/FiniteValues.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <algorithm>
#include <cmath>
#include <limits>

namespace physics
{

namespace
{

bool finite(b2Vec2 const& v)
{
	return std::isfinite(v.x) && std::isfinite(v.y);
}

/** What the library gets so that its v / (1 + h c) is 2.2's v clamp(1 - h d, 0, 1). */
float libraryDamping(float d, float h)
{
	if (!(d > 0.f))
		return 0.f;
	float hd = h * d;
	if (hd >= 1.f)
		return std::numeric_limits<float>::infinity();
	return d / (1.f - hd);
}

} // namespace

float inverseMass(b2Body const* body)
{
	float mass = body->GetMass();
	return mass > 0.f ? 1.f / mass : 0.f;
}

float inverseInertia(b2Body const* body)
{
	if (body->IsFixedRotation())
		return 0.f;
	b2Vec2 lc = body->GetLocalCenter();
	float central = body->GetInertia() - body->GetMass() * b2Dot(lc, lc);
	return central > 0.f ? 1.f / central : 0.f;
}

/** Keeps the world busy for the lifetime of the scope. */
class PhysicsWorld::BusyScope
{
public:
	explicit BusyScope(PhysicsWorld& world) : m_world(world) { ++m_world.m_depth; }
	~BusyScope() { --m_world.m_depth; }

private:
	PhysicsWorld& m_world;
};

/**
 * The listeners the library calls: each call goes on to the caller's
 * listener with the world busy; an exception is kept for the end of the
 * operation and silences the contact listener until then.
 */
class PhysicsWorld::Listeners : public b2ContactListener, public b2ContactFilter, public b2DestructionListener
{
public:
	explicit Listeners(PhysicsWorld& world) : m_world(world) {}

	b2ContactListener* contacts = nullptr;
	b2ContactFilter* filter = nullptr;
	b2DestructionListener* destruction = nullptr;

	void BeginContact(b2Contact* contact) override
	{
		if (contacts)
			guard([&] { contacts->BeginContact(contact); });
	}

	void EndContact(b2Contact* contact) override
	{
		if (contacts)
			guard([&] { contacts->EndContact(contact); });
	}

	void PreSolve(b2Contact* contact, b2Manifold const* oldManifold) override
	{
		if (contacts)
			guard([&] { contacts->PreSolve(contact, oldManifold); });
	}

	void PostSolve(b2Contact* contact, b2ContactImpulse const* impulse) override
	{
		if (contacts)
			guard([&] { contacts->PostSolve(contact, impulse); });
	}

	bool ShouldCollide(b2Fixture* a, b2Fixture* b) override
	{
		if (!filter)
			return b2ContactFilter::ShouldCollide(a, b);
		bool result = b2ContactFilter::ShouldCollide(a, b);
		always([&] { result = filter->ShouldCollide(a, b); });
		return result;
	}

	void SayGoodbye(b2Joint* joint) override
	{
		m_world.forgetJoint(joint);
		if (destruction)
			always([&] { destruction->SayGoodbye(joint); });
	}

	void SayGoodbye(b2Fixture* fixture) override
	{
		if (destruction)
			always([&] { destruction->SayGoodbye(fixture); });
	}

private:
	PhysicsWorld& m_world;

	/** Contact calls stop after a failure. */
	template <class F>
	void guard(F const& f)
	{
		if (!m_world.m_failure)
			always(f);
	}

	/** Book-keeping calls go on after a failure. */
	template <class F>
	void always(F const& f)
	{
		BusyScope busy(m_world);
		try
		{
			f();
		}
		catch (...)
		{
			if (!m_world.m_failure)
				m_world.m_failure = std::current_exception();
		}
	}
};

PhysicsWorld::PhysicsWorld(b2Vec2 const& gravity, bool allowSleep) :
	m_world(nullptr),
	m_listeners(nullptr),
	m_allowSleep(allowSleep),
	m_timeStep(1.f / 30.f),
	m_depth(0),
	m_finishing(false)
{
	requireFinite("PhysicsWorld: gravity", gravity);
	m_world = new b2World(gravity);
	// The library's own sleeping keeps slow bodies awake for ever; the
	// island rule after each step decides instead.
	m_world->SetAllowSleeping(false);
	m_world->SetAutoClearForces(false);
	m_listeners = new Listeners(*this);
	m_world->SetContactListener(m_listeners);
	m_world->SetContactFilter(m_listeners);
	m_world->SetDestructionListener(m_listeners);
}

PhysicsWorld::~PhysicsWorld()
{
	for (b2Body* body = m_world->GetBodyList(); body; body = body->GetNext())
		delete &state(body);
	m_world->SetDestructionListener(nullptr);
	delete m_world;
	delete m_listeners;
}

void PhysicsWorld::setListeners(b2ContactListener* contacts, b2ContactFilter* filter, b2DestructionListener* destruction)
{
	m_listeners->contacts = contacts;
	m_listeners->filter = filter;
	m_listeners->destruction = destruction;
}

void PhysicsWorld::setGravity(b2Vec2 const& gravity)
{
	requireFinite("setGravity", gravity);
	m_world->SetGravity(gravity);
}

PhysicsWorld::BodyState& PhysicsWorld::state(b2Body const* body)
{
	return *reinterpret_cast<BodyState*>(const_cast<b2Body*>(body)->GetUserData().pointer);
}

void PhysicsWorld::checkIdle(char const* operation) const
{
	if (busy())
		throw lang::Exception(lang::Format("{0}: the physics world is busy (use defer)", operation));
}

void PhysicsWorld::defer(std::function<void()> request)
{
	if (busy())
		m_queue.push_back(std::move(request));
	else
		request();
}

void PhysicsWorld::finish()
{
	// Requests queued by a queued request join the end of the running queue.
	if (m_depth > 0 || m_finishing)
		return;
	m_finishing = true;
	while (!m_queue.empty())
	{
		std::vector<std::function<void()>> requests;
		requests.swap(m_queue);
		for (std::function<void()>& request : requests)
		{
			try
			{
				request();
			}
			catch (...)
			{
				if (!m_failure)
					m_failure = std::current_exception();
			}
		}
	}
	m_finishing = false;
	if (m_failure)
	{
		std::exception_ptr failure = m_failure;
		m_failure = nullptr;
		std::rethrow_exception(failure);
	}
}

// --- Steps -------------------------------------------------------------------

void PhysicsWorld::step(float h, int velocityIterations, int positionIterations)
{
	checkIdle("step");
	requireFinite("step", h);
	if (h <= 0.f)
		return;
	if (h != m_timeStep)
	{
		m_timeStep = h;
		for (b2Body* body = m_world->GetBodyList(); body; body = body->GetNext())
			applyDamping(body);
	}
	updateSprings();
	{
		BusyScope busy(*this);
		m_world->Step(h, velocityIterations, positionIterations);
		if (m_allowSleep)
			sleepIslands(h);
	}
	finish();
}

void PhysicsWorld::stepForAiming(float dt, int, int, b2Body* body)
{
	checkIdle("stepForAiming");
	requireFinite("stepForAiming", dt);
	if (dt <= 0.f || body->GetType() != b2_dynamicBody)
		return;
	BodyState const& s = state(body);
	b2Vec2 v = body->GetLinearVelocity();
	float w = body->GetAngularVelocity();

	v += dt * (m_world->GetGravity() + inverseMass(body) * s.force);
	w += dt * inverseInertia(body) * s.torque;

	v *= b2Clamp(1.f - dt * s.linearDamping, 0.f, 1.f);
	w *= b2Clamp(1.f - dt * s.angularDamping, 0.f, 1.f);

	b2Vec2 translation = dt * v;
	if (b2Dot(translation, translation) > b2_maxTranslationSquared)
		v *= b2_maxTranslation / translation.Length();
	float rotation = dt * w;
	if (rotation * rotation > b2_maxRotationSquared)
		w *= b2_maxRotation / b2Abs(rotation);

	b2Vec2 centre = body->GetWorldCenter() + dt * v;
	float angle = body->GetAngle() + dt * w;
	b2Rot q(angle);
	body->SetTransform(centre - b2Mul(q, body->GetLocalCenter()), angle);
	body->SetLinearVelocity(v);
	body->SetAngularVelocity(w);
}

void PhysicsWorld::clearForces()
{
	m_world->ClearForces();
	for (b2Body* body : m_pushed)
	{
		BodyState& s = state(body);
		s.force.SetZero();
		s.torque = 0.f;
		s.pushed = false;
	}
	m_pushed.clear();
}

void PhysicsWorld::ledger(b2Body* body, b2Vec2 const& force, float torque)
{
	BodyState& s = state(body);
	s.force += force;
	s.torque += torque;
	if (!s.pushed)
	{
		s.pushed = true;
		m_pushed.push_back(body);
	}
}

void PhysicsWorld::clearBodyForces(b2Body* body)
{
	checkIdle("clearBodyForces");
	BodyState& s = state(body);
	s.force.SetZero();
	s.torque = 0.f;
	if (!body->IsAwake())
		return;
	// The library has no setter for the force: sleeping zeroes it.
	b2Vec2 v = body->GetLinearVelocity();
	float w = body->GetAngularVelocity();
	float sleepTime = s.sleepTime;
	body->SetAwake(false);
	body->SetAwake(true);
	body->SetLinearVelocity(v);
	body->SetAngularVelocity(w);
	s.sleepTime = sleepTime;
}

// --- Bodies ------------------------------------------------------------------

b2Body* PhysicsWorld::createBody(b2BodyType type, b2Vec2 const& position, float angle, void* user)
{
	checkIdle("createBody");
	requireFinite("createBody: position", position);
	requireFinite("createBody: angle", angle);
	b2BodyDef def;
	def.type = type;
	def.position = position;
	def.angle = angle;
	BodyState* s = new BodyState();
	s->user = user;
	def.userData.pointer = reinterpret_cast<uintptr_t>(s);
	b2Body* body = m_world->CreateBody(&def);
	fixMass(body);
	return body;
}

void PhysicsWorld::destroyBody(b2Body* body)
{
	checkIdle("destroyBody");
	BodyState* s = &state(body);
	{
		BusyScope busy(*this);
		m_world->DestroyBody(body);
	}
	if (s->pushed)
		m_pushed.erase(std::find(m_pushed.begin(), m_pushed.end(), body));
	delete s;
	finish();
}

void* PhysicsWorld::userData(b2Body const* body)
{
	return state(body).user;
}

void PhysicsWorld::setUserData(b2Body* body, void* user)
{
	state(body).user = user;
}

void PhysicsWorld::checkMass(b2Body const* body, b2Shape const& shape, float density)
{
	// The sums of the library's mass reset, in its order (a new fixture
	// comes first): it asserts when the inertia about the centre of mass
	// does not stay above 0, which rounding brings about for shapes far
	// from the body origin, and overflow for huge ones.
	float mass = 0.f;
	float inertia = 0.f;
	b2Vec2 centre = b2Vec2_zero;
	auto add = [&](b2MassData const& data) {
		mass += data.mass;
		centre += data.mass * data.center;
		inertia += data.I;
	};
	if (density > 0.f)
	{
		b2MassData data;
		shape.ComputeMass(&data, density);
		add(data);
	}
	for (b2Fixture const* f = body->GetFixtureList(); f; f = f->GetNext())
	{
		if (f->GetDensity() == 0.f)
			continue;
		b2MassData data;
		f->GetMassData(&data);
		add(data);
	}
	if (mass > 0.f)
		centre *= 1.f / mass;
	bool sound = std::isfinite(mass) && std::isfinite(inertia) && finite(centre);
	if (sound && inertia > 0.f)
	{
		float central = inertia - mass * b2Dot(centre, centre);
		sound = central > inertia * 1e-5f;
	}
	if (!sound)
		throw lang::Exception(lang::Format("the body's mass ({0}) or inertia ({1}) cannot be computed: shape too large or too far from the body origin", mass, inertia));
}

b2Fixture* PhysicsWorld::addFixture(b2Body* body, b2Shape const& shape, FixtureParams const& params)
{
	checkMass(body, shape, params.density);
	b2FixtureDef def;
	def.shape = &shape;
	def.density = params.density;
	def.friction = params.friction;
	def.restitution = params.restitution;
	def.isSensor = params.sensor;
	def.filter = params.filter;
	def.userData.pointer = params.userData;
	b2Fixture* fixture = body->CreateFixture(&def);
	fixMass(body);
	return fixture;
}

namespace
{

void checkFixture(char const* operation, PhysicsWorld::FixtureParams const& params)
{
	requireFinite(operation, params.density);
	requireFinite(operation, params.friction);
	requireFinite(operation, params.restitution);
	if (params.density < 0.f)
		throw lang::Exception(lang::Format("{0}: density {1} is below 0", operation, params.density));
}

} // namespace

b2Fixture* PhysicsWorld::createBox(b2Body* body, float hx, float hy, FixtureParams const& params)
{
	checkIdle("createBox");
	checkFixture("createBox", params);
	requireFinite("createBox", hx);
	requireFinite("createBox", hy);
	if (!(hx > 0.f && hy > 0.f))
		throw lang::Exception(lang::Format("createBox: size {0} x {1} is not above 0", hx, hy));
	// The library asserts on a box of no area once it has density.
	if (4.0 * hx * hy <= 4.0 * b2_epsilon)
		throw lang::Exception(lang::Format("createBox: size {0} x {1} has no area", hx, hy));
	b2PolygonShape shape;
	shape.SetAsBox(hx, hy);
	return addFixture(body, shape, params);
}

b2Fixture* PhysicsWorld::createCircle(b2Body* body, b2Vec2 const& centre, float radius, FixtureParams const& params)
{
	checkIdle("createCircle");
	checkFixture("createCircle", params);
	requireFinite("createCircle", centre);
	requireFinite("createCircle", radius);
	if (!(radius > 0.f))
		throw lang::Exception(lang::Format("createCircle: radius {0} is not above 0", radius));
	b2CircleShape shape;
	shape.m_p = centre;
	shape.m_radius = radius;
	return addFixture(body, shape, params);
}

b2Fixture* PhysicsWorld::createPolygon(b2Body* body, std::vector<b2Vec2> const& points, FixtureParams const& params)
{
	checkIdle("createPolygon");
	checkFixture("createPolygon", params);
	for (b2Vec2 const& p : points)
		requireFinite("createPolygon", p);
	if (points.size() < 3 || points.size() > b2_maxPolygonVertices)
		throw lang::Exception(lang::Format("createPolygon: {0} points (3 to {1} wanted)", int(points.size()), b2_maxPolygonVertices));
	std::vector<b2Vec2> hull = convexHull(points, 0.5f * b2_linearSlop);
	if (hull.size() < 3 || polygonArea(hull) <= 4.0 * b2_epsilon)
		throw lang::Exception(lang::Format("createPolygon: the {0} points span no area", int(points.size())));
	b2PolygonShape shape;
	shape.Set(hull.data(), int(hull.size()));
	return addFixture(body, shape, params);
}

b2Fixture* PhysicsWorld::createEdge(b2Body* body, b2Vec2 const& a, b2Vec2 const& b, FixtureParams const& params)
{
	checkIdle("createEdge");
	checkFixture("createEdge", params);
	requireFinite("createEdge", a);
	requireFinite("createEdge", b);
	if (b2DistanceSquared(a, b) < 0.25f * b2_linearSlop * b2_linearSlop)
		throw lang::Exception(lang::Format("createEdge: ({0}, {1}) to ({2}, {3}) has no length", a.x, a.y, b.x, b.y));
	b2EdgeShape shape;
	shape.SetTwoSided(a, b);
	return addFixture(body, shape, params);
}

void PhysicsWorld::fixMass(b2Body* body)
{
	if (body->GetType() != b2_dynamicBody || body->GetMass() > 0.f)
		return;
	b2MassData data;
	data.mass = 1.f;
	data.center = b2Vec2_zero;
	data.I = 0.f;
	body->SetMassData(&data);
}

void PhysicsWorld::setType(b2Body* body, b2BodyType type)
{
	checkIdle("setType");
	body->SetType(type);
	fixMass(body);
}

void PhysicsWorld::setFixedRotation(b2Body* body, bool fixed)
{
	checkIdle("setFixedRotation");
	body->SetFixedRotation(fixed);
	fixMass(body);
}

void PhysicsWorld::resetMassData(b2Body* body)
{
	checkIdle("resetMassData");
	body->ResetMassData();
	fixMass(body);
}

void PhysicsWorld::setEnabled(b2Body* body, bool enabled)
{
	checkIdle("setEnabled");
	{
		BusyScope busy(*this);
		body->SetEnabled(enabled);
	}
	finish();
}

void PhysicsWorld::setTransform(b2Body* body, b2Vec2 const& position, float angle)
{
	checkIdle("setTransform");
	requireFinite("setTransform", position);
	requireFinite("setTransform", angle);
	body->SetTransform(position, angle);
}

void PhysicsWorld::setSensor(b2Body* body, bool sensor)
{
	for (b2Fixture* f = body->GetFixtureList(); f; f = f->GetNext())
		f->SetSensor(sensor);
}

void PhysicsWorld::setBullet(b2Body* body, bool bullet)
{
	body->SetBullet(bullet);
}

void PhysicsWorld::setSleepingAllowed(b2Body* body, bool allowed)
{
	body->SetSleepingAllowed(allowed);
}

void PhysicsWorld::setGravityScale(b2Body* body, float scale)
{
	requireFinite("setGravityScale", scale);
	body->SetGravityScale(scale);
}

void PhysicsWorld::setAwake(b2Body* body, bool awake)
{
	BodyState& s = state(body);
	if (awake)
	{
		if (!body->IsAwake())
			s.sleepTime = 0.f;
		body->SetAwake(true);
		return;
	}
	body->SetAwake(false);
	s.sleepTime = 0.f;
	s.force.SetZero();
	s.torque = 0.f;
}

void PhysicsWorld::setLinearVelocity(b2Body* body, b2Vec2 const& v)
{
	requireFinite("setLinearVelocity", v);
	if (body->GetType() == b2_staticBody)
		return;
	if (b2Dot(v, v) > 0.f)
		setAwake(body, true);
	body->SetLinearVelocity(v);
}

void PhysicsWorld::setAngularVelocity(b2Body* body, float w)
{
	requireFinite("setAngularVelocity", w);
	if (body->GetType() == b2_staticBody)
		return;
	if (w * w > 0.f)
		setAwake(body, true);
	body->SetAngularVelocity(w);
}

void PhysicsWorld::applyDamping(b2Body* body)
{
	BodyState const& s = state(body);
	body->SetLinearDamping(libraryDamping(s.linearDamping, m_timeStep));
	body->SetAngularDamping(libraryDamping(s.angularDamping, m_timeStep));
}

void PhysicsWorld::setLinearDamping(b2Body* body, float d)
{
	if (std::isnan(d))
		throw lang::Exception(lang::Format("setLinearDamping: {0} is not a number", d));
	state(body).linearDamping = d;
	applyDamping(body);
}

void PhysicsWorld::setAngularDamping(b2Body* body, float d)
{
	if (std::isnan(d))
		throw lang::Exception(lang::Format("setAngularDamping: {0} is not a number", d));
	state(body).angularDamping = d;
	applyDamping(body);
}

float PhysicsWorld::linearDamping(b2Body const* body)
{
	return state(body).linearDamping;
}

float PhysicsWorld::angularDamping(b2Body const* body)
{
	return state(body).angularDamping;
}

void PhysicsWorld::applyForce(b2Body* body, b2Vec2 const& force, b2Vec2 const& point)
{
	requireFinite("applyForce", force);
	requireFinite("applyForce", point);
	if (body->GetType() != b2_dynamicBody)
		return;
	setAwake(body, true);
	body->ApplyForce(force, point, true);
	ledger(body, force, b2Cross(point - body->GetWorldCenter(), force));
}

void PhysicsWorld::applyForceToCenter(b2Body* body, b2Vec2 const& force)
{
	applyForce(body, force, body->GetWorldCenter());
}

void PhysicsWorld::applyTorque(b2Body* body, float torque)
{
	requireFinite("applyTorque", torque);
	if (body->GetType() != b2_dynamicBody)
		return;
	setAwake(body, true);
	body->ApplyTorque(torque, true);
	ledger(body, b2Vec2_zero, torque);
}

void PhysicsWorld::applyLinearImpulse(b2Body* body, b2Vec2 const& impulse, b2Vec2 const& point)
{
	requireFinite("applyLinearImpulse", impulse);
	requireFinite("applyLinearImpulse", point);
	if (body->GetType() != b2_dynamicBody)
		return;
	setAwake(body, true);
	body->ApplyLinearImpulse(impulse, point, true);
}

b2Vec2 PhysicsWorld::bodyForce(b2Body const* body)
{
	return state(body).force;
}

float PhysicsWorld::bodyTorque(b2Body const* body)
{
	return state(body).torque;
}

// --- Queries -----------------------------------------------------------------

void PhysicsWorld::queryAABB(b2QueryCallback* callback, b2AABB const& box) const
{
	requireFinite("queryAABB", box.lowerBound);
	requireFinite("queryAABB", box.upperBound);
	m_world->QueryAABB(callback, box);
}

void PhysicsWorld::rayCast(b2RayCastCallback* callback, b2Vec2 const& a, b2Vec2 const& b) const
{
	requireFinite("rayCast", a);
	requireFinite("rayCast", b);
	b2Vec2 d = b - a;
	if (!(b2Dot(d, d) > 0.f) || !finite(d))
		return;
	m_world->RayCast(callback, a, b);
}

} // physics
