#pragma once

#include <box2d/box2d.h>
#include <vector>

/**
 * Collects the bodies of the fixtures whose proxies a box query reports, in
 * the world's order; a body with several reported fixtures is listed once per
 * fixture. Static bodies are skipped unless includeStatic.
 */
class QueryCallback : public b2QueryCallback
{
public:
	/** point is the query centre (kept, not tested); bodies receives the hits. */
	QueryCallback(b2Vec2 const& point, std::vector<b2Body*>* bodies, bool includeStatic) :
		m_point(point), m_bodies(bodies), m_includeStatic(includeStatic)
	{
	}

	/** Appends the fixture's body; the query always goes on. */
	bool ReportFixture(b2Fixture* fixture) override
	{
		b2Body* body = fixture->GetBody();
		if (body->GetType() == b2_staticBody && !m_includeStatic)
			return true;
		m_bodies->push_back(body);
		return true;
	}

private:
	b2Vec2 m_point;
	std::vector<b2Body*>* m_bodies;
	bool m_includeStatic;
};
