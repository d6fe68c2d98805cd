// The aiming aid: the flight prediction of "FlyerSimulation", the aiming
// stream's rows and the two recorded trails.
#include <host/Aiming.h>
#include <host/AimStream.h>
#include <host/View.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <host/WorldForces.h>
#include <host/WorldSettings.h>
#include <ScriptValues.h>
#include <game/Anchor.h>
#include <game/Resources.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <box2d/box2d.h>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

namespace host
{

namespace
{

float const DEFAULT_STEP = 0.028571429f;

/** All of the body's pose and velocities are finite. */
bool finiteBody(b2Body const* body)
{
	b2Vec2 const p = body->GetPosition();
	b2Vec2 const v = body->GetLinearVelocity();
	float const values[] = {p.x, p.y, body->GetAngle(), v.x, v.y, body->GetAngularVelocity()};
	return std::all_of(std::begin(values), std::end(values), [](float x) { return std::isfinite(x); });
}

} // namespace

Aiming::Aiming(Core const& core, SceneObjects& scene, WorldSettings& settings, WorldForces& forces) :
	m_core(core),
	m_scene(scene),
	m_settings(settings),
	m_forces(forces),
	m_aimingAidEnabled(false),
	m_aimStream(new AimStream(core)),
	m_selectedFlyerBody(nullptr),
	m_currentTrajectoryIndex(0)
{
}

Aiming::~Aiming() = default;

float Aiming::aimingBaseStep()
{
	lua::LuaTable objects(m_core.table.getLuaState());
	if (scriptvalues::table(m_core.table, "objects", objects) && objects.isNumber("currentTimeStep"))
		return objects.getNumber("currentTimeStep");
	return DEFAULT_STEP;
}

void Aiming::updateFlyerTrajectoryTable()
{
	if (m_settings.physicsDisabled != 0)
		return;
	float const h = aimingBaseStep() * m_settings.simulation.timeStepMultiplier;
	if (!std::isfinite(h) || !(h > 0.f))
		return;
	b2Body* body = m_scene.getBody("FlyerSimulation");
	if (!body)
		return;
	RenderObjectData* flyer = m_scene.findObject("FlyerSimulation");
	body->SetAwake(true);
	int const sampler = std::max(1, m_settings.simulation.storePointsSampler);
	for (int i = 0; i < m_settings.simulation.iterations; ++i)
	{
		b2Fixture* flyerFixture = body->GetFixtureList();
		for (RenderObjectData* sensor : m_scene.aimSensors())
		{
			if (!sensor || !sensor->body || !sensor->body->GetFixtureList() || !flyerFixture)
				continue;
			if (b2TestOverlap(sensor->body->GetFixtureList()->GetShape(), 0, flyerFixture->GetShape(), 0,
					sensor->body->GetTransform(), body->GetTransform()))
				m_forces.applySensorForceToObject(sensor, flyer);
		}
		b2Vec2 const position = body->GetPosition();
		float const angle = body->GetAngle();
		b2Vec2 const velocity = body->GetLinearVelocity();
		float const spin = body->GetAngularVelocity();
		m_scene.world().stepForAiming(h, 10, 10, body);
		if (!finiteBody(body))
		{
			// The body goes back to its last finite state; the points so far stay.
			body->SetTransform(position, angle);
			body->SetLinearVelocity(velocity);
			body->SetAngularVelocity(spin);
			m_scene.world().clearBodyForces(body);
			break;
		}
		if (i % sampler == 0)
			m_simulationTrajectory.emplace_back(body->GetPosition().x, body->GetPosition().y);
		m_scene.world().clearBodyForces(body);
	}
	m_aimStream->setStream(m_simulationTrajectory, AimStream::STREAM_SPLINE);
	m_selectedFlyerBody = nullptr;
}

void Aiming::populateAimingAid()
{
	m_aimStream->populateStream();
}

void Aiming::setSelectedFlyerDuringSimulation(std::string const& name)
{
	m_selectedFlyerBody = m_scene.getBody(name);
}

float Aiming::getAimingTime()
{
	lua::LuaTable attributes(m_core.table.getLuaState());
	if (!scriptvalues::table(m_core.table, "worldAttributes", attributes))
		return 0.f;
	return static_cast<float>(lua::LuaNumber::toInt(attributes.isNumber("simulationIterations") ? attributes.getNumber("simulationIterations") : 0.f)) *
		aimingBaseStep();
}

void Aiming::clearAimingAid(float fraction)
{
	m_aimStream->clearParticlesFromStream(fraction);
	m_aimStream->setSpawningEnabled(false);
}

void Aiming::setAimingAidSprite(std::string const& name)
{
	if (name.empty())
		throw lua::LuaException(lang::Format("setAimingAidSprite: the sprite name is empty"));
	m_aimStream->setStreamSprite(name);
}

TrajectoryData& Aiming::getCurrentTrajectory()
{
	assert(0 <= m_currentTrajectoryIndex && m_currentTrajectoryIndex < NumTrajectories);
	return m_trajectories[static_cast<size_t>(m_currentTrajectoryIndex)];
}

void Aiming::startNewTrajectory()
{
	m_currentTrajectoryIndex = (m_currentTrajectoryIndex + 1) % NumTrajectories;
	getCurrentTrajectory() = TrajectoryData();
}

void Aiming::addToTrajectory(float, float x, float y)
{
	getCurrentTrajectory().points.emplace_back(x, y);
}

void Aiming::addPuffToTrajectory(float, float x, float y)
{
	TrajectoryData& trail = getCurrentTrajectory();
	trail.hasPuff = true;
	trail.puffX = x;
	trail.puffY = y;
}

void Aiming::setNormalTrailSprite(std::string const& name)
{
	getCurrentTrajectory().normalTrailSprite = name;
}

void Aiming::setSpecialTrailSprite(std::string const& name)
{
	getCurrentTrajectory().specialTrailSprite = name;
}

void Aiming::drawTrajectories()
{
	assert(m_trajectories.size() == NumTrajectories);
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	state.translation = math::float2(-m_core.view.topLeftX(), -m_core.view.topLeftY());
	state.scale = math::float2(m_core.view.worldScale(), m_core.view.worldScale());
	game::Anchor const pivot(game::Anchor::VPIVOT, game::Anchor::HPIVOT);
	for (TrajectoryData const& trail : m_trajectories)
	{
		for (math::float2 const& point : trail.points)
			m_core.resources->drawSprite(trail.normalTrailSprite, point.x, point.y, pivot);
		if (trail.hasPuff)
			m_core.resources->drawSprite(trail.specialTrailSprite, trail.puffX, trail.puffY, pivot);
	}
}

void Aiming::drawSimulationTrajectory()
{
	if (!m_aimStream || !m_aimStream->isStreamReady())
		return;
	m_aimStream->draw();
	m_aimStream->setSpawningEnabled(m_aimingAidEnabled);
}

void Aiming::clearTrajectories()
{
	m_trajectories.assign(NumTrajectories, TrajectoryData());
	m_currentTrajectoryIndex = 0;
}

void Aiming::startLevel()
{
	clearTrajectories();
	m_aimStream->setSpawnInterval(m_settings.simulation.aimSpawnTime);
	m_aimStream->setSpeed(m_settings.simulation.aimSpeed);
	m_aimStream->disableStream();
	m_aimStream->setSpawningEnabled(false);
}

} // namespace host
