#include <host/AimStream.h>
#include <DrawPlacement.h>
#include <game/Anchor.h>
#include <game/Resources.h>
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <host/View.h>
#include <lang/Debug.h>
#include <cmath>

namespace host
{

namespace
{

/** The most particles a fill makes: far more than a stream can show. */
int const MAX_FILL = 10000;

} // namespace

AimStream::AimStream(Core const& core) :
	m_core(core),
	m_width(20.f),
	m_type(STREAM_NONE),
	m_spawnInterval(0.6f),
	m_countdown(0.f),
	m_speed(4.f),
	m_spinRate(0.f),
	m_spawning(false)
{
}

AimStream::~AimStream() = default;

bool AimStream::moving() const
{
	return std::isfinite(m_spawnInterval) && m_spawnInterval > 0.f && std::isfinite(m_speed) && m_speed > 0.f;
}

int AimStream::fillCount() const
{
	if (!moving() || !isStreamReady())
		return 0;
	float const count = length() / (m_spawnInterval * m_speed);
	return count < static_cast<float>(MAX_FILL) ? static_cast<int>(count) : MAX_FILL;
}

void AimStream::setStream(std::vector<math::float2> const& points, STREAMTYPE type)
{
	if (points.size() <= 3)
	{
		lang::Debug::printf("Aiming stream requires at least 4 points on the trajectory. \n");
		return;
	}
	m_points.clear();
	m_type = type;
	if (type == STREAM_SPLINE)
	{
		m_points.reserve(points.size() + 2);
		m_points.push_back(points.front());
		m_points.insert(m_points.end(), points.begin(), points.end());
		m_points.push_back(points.back());
	}
	update(0.f);
}

void AimStream::update(float dt)
{
	if (m_type != STREAM_SPLINE || !std::isfinite(dt))
		return;
	if (!moving())
	{
		m_particles.clear();
		return;
	}
	float const L = length();
	size_t kept = 0;
	for (size_t i = 0; i < m_particles.size(); ++i)
	{
		StreamParticle p = m_particles[i];
		p.position += m_speed * dt;
		p.scale = (1.f - p.position / L) + 0.2f;
		p.angle += m_spinRate * dt;
		if (p.position >= L)
			continue;
		m_particles[kept++] = p;
	}
	m_particles.resize(kept);
	m_countdown -= dt;
	if (m_spawning && m_countdown < 0.f)
	{
		int const most = fillCount() + 1;
		int inserted = 0;
		while (m_countdown < 0.f && inserted < most)
		{
			m_countdown += m_spawnInterval;
			++inserted;
		}
		// Inserts beyond the fill would pile up at the start: the countdown keeps its phase.
		if (m_countdown < 0.f)
			m_countdown = std::fmod(m_countdown, m_spawnInterval) + m_spawnInterval;
		m_particles.insert(m_particles.begin(), static_cast<size_t>(inserted), StreamParticle{0.f, 0.f, 1.2f});
	}
}

math::float2 AimStream::curvePoint(float position) const
{
	float const k0 = std::floor(position);
	size_t const k = k0 > 0.f ? static_cast<size_t>(k0) : 0;
	float const u = std::fmod(position, 1.f);
	math::float2 const& a = m_points[k];
	math::float2 const& b = m_points[k + 1];
	math::float2 const& c = m_points[k + 2];
	math::float2 const& d = m_points[k + 3];
	float const u2 = u * u;
	float const u3 = u2 * u;
	return math::float2(
		0.5f * (2.f * b.x + (c.x - a.x) * u + (2.f * a.x - 5.f * b.x + 4.f * c.x - d.x) * u2 + (-a.x + 3.f * b.x - 3.f * c.x + d.x) * u3),
		0.5f * (2.f * b.y + (c.y - a.y) * u + (2.f * a.y - 5.f * b.y + 4.f * c.y - d.y) * u2 + (-a.y + 3.f * b.y - 3.f * c.y + d.y) * u3));
}

void AimStream::draw()
{
	if (m_sprite.empty())
	{
		lang::Debug::printf("NO AIMSTREAMSPRITE SET!\n");
		return;
	}
	if (m_type != STREAM_SPLINE || m_particles.empty() || !isStreamReady())
		return;
	gr::RenderState2D& state = m_core.context->getRenderState2D();
	float const left = m_core.view.topLeftX();
	float const top = m_core.view.topLeftY();
	float const worldScale = m_core.view.worldScale();
	float const physicsScale = m_core.view.physicsSimulationScale();
	float const L = length();
	for (StreamParticle const& p : m_particles)
	{
		float const s = p.scale;
		if (!draw::divisor(s) || !(p.position >= 0.f && p.position < L))
			continue;
		state.translation = math::float2(-left / s, -top / s);
		state.scale = math::float2(worldScale * s, worldScale * s);
		draw::setAngle(state, p.angle);
		state.pivot = math::float2(m_width * 0.5f, m_width * 0.5f);
		math::float2 const point = curvePoint(p.position);
		float const x = point.x * physicsScale / s;
		float const y = point.y * physicsScale / s;
		if (draw::placeable(state, x, y))
			m_core.resources->drawSprite(m_sprite, x, y, game::Anchor(game::Anchor::VPIVOT, game::Anchor::HPIVOT));
	}
}

void AimStream::populateStream()
{
	m_particles.clear();
	int const count = fillCount();
	float const L = length();
	for (int i = 0; i < count; ++i)
	{
		float const position = static_cast<float>(i) * m_speed * m_spawnInterval;
		m_particles.push_back(StreamParticle{position, static_cast<float>(i) * m_spinRate * m_spawnInterval, (1.f - position / L) + 0.2f});
	}
	m_countdown = m_spawnInterval;
}

void AimStream::clearParticlesFromStream(float fraction)
{
	float const L = length();
	size_t front = 0;
	while (front < m_particles.size() && m_particles[front].position / L < fraction)
		++front;
	m_particles.erase(m_particles.begin(), m_particles.begin() + static_cast<std::ptrdiff_t>(front));
}

void AimStream::setSpawningEnabled(bool enabled)
{
	if (enabled && !m_spawning)
		populateStream();
	m_spawning = enabled;
}

void AimStream::disableStream()
{
	m_particles.clear();
	m_points.clear();
	m_spawning = false;
}

} // namespace host
