#pragma once

#include <box2d/box2d.h>
#include <vector>

/**
 * Collects every non-sensor fixture along a ray, in the world's order (not
 * sorted by distance): the four lists grow together.
 */
class RayCastCallback : public b2RayCastCallback
{
public:
	RayCastCallback(std::vector<b2Body*>* bodies, std::vector<b2Vec2>* points, std::vector<b2Vec2>* normals,
		std::vector<float>* fractions) :
		m_bodies(bodies), m_points(points), m_normals(normals), m_fractions(fractions)
	{
	}

	/** Appends the hit; returns 1 so that the ray is never clipped. */
	float ReportFixture(b2Fixture* fixture, b2Vec2 const& point, b2Vec2 const& normal, float fraction) override
	{
		if (fixture->IsSensor())
			return 1.f;
		m_bodies->push_back(fixture->GetBody());
		m_points->push_back(point);
		m_normals->push_back(normal);
		m_fractions->push_back(fraction);
		return 1.f;
	}

private:
	std::vector<b2Body*>* m_bodies;
	std::vector<b2Vec2>* m_points;
	std::vector<b2Vec2>* m_normals;
	std::vector<float>* m_fractions;
};
