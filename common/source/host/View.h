#pragma once

namespace host
{

class Shell;

/**
 * The numbers that place the world on the screen: the world point shown at
 * the screen's top-left corner, the world scale (screen pixels per world
 * pixel) and the physics simulation scale (world units per physics unit of
 * theme sprites). The scripts set them; every drawing area reads them.
 *
 * Main thread only.
 */
class View
{
public:
	/**
	 * Top-left (0, 0), scales 1. shell, when not null, is told of the world
	 * scale and zoom limits (not owned; it must outlive the view).
	 */
	explicit View(Shell* shell);

	/** The world point (world pixels) shown at the screen's top-left corner. */
	void setTopLeft(float x, float y)
	{
		m_topLeftX = x;
		m_topLeftY = y;
	}

	/** Screen pixels per world pixel; also the application's current and target zoom. */
	void setWorldScale(float scale);

	/** The application's upper zoom limit; the view keeps no copy. */
	void setMaxWorldScale(float scale);

	/** The application's wheel zoom and its previous value; the view keeps no copy. */
	void resetMouseWheelScale(float scale);

	/** Sets the physics simulation scale as given (callers check it). */
	void setPhysicsSimulationScale(float scale) { m_physicsSimulationScale = scale; }

	float topLeftX() const { return m_topLeftX; }
	float topLeftY() const { return m_topLeftY; }
	float worldScale() const { return m_worldScale; }
	/** World units per physics unit of theme sprites; 1 by default. */
	float physicsSimulationScale() const { return m_physicsSimulationScale; }

private:
	Shell* m_shell;
	float m_topLeftX;
	float m_topLeftY;
	float m_worldScale;
	float m_physicsSimulationScale;
};

} // namespace host
