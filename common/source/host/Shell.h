#pragma once

namespace host
{

/**
 * What the script host asks of the application that runs it: the wheel
 * zoom it shares with the scripts and whether sound is wanted. The game
 * application implements it; a host without one (another application, a
 * test) leaves these requests without effect.
 *
 * Main thread only.
 */
class Shell
{
public:
	/** The wheel scale the pointer's wheel and two-finger zoom have reached. */
	virtual float wheelScale() const = 0;

	/** The wheel scale the host last handed to the scripts' "zoomLevel". */
	virtual float previousWheelScale() const = 0;

	/** Remembers scale as handed to the scripts. */
	virtual void setPreviousWheelScale(float scale) = 0;

	/** The world scale and its second copy (the target zoom). */
	virtual void setWorldScale(float scale) = 0;

	/** The wheel scale and the previous wheel scale. */
	virtual void resetWheelScale(float scale) = 0;

	/** The largest scale a wheel notch eases within. */
	virtual void setMaxWorldScale(float scale) = 0;

	/** Smooth zooming: wheel steps are eased. */
	virtual void setSmoothZooming(bool enabled) = 0;

	/** Two-finger gestures act as the pointer's wheel. */
	virtual void setMultitouchMouseWheelSimulation(bool enabled) = 0;

	/** True when the application wants sound (its last activateAudio). */
	virtual bool audioWanted() const = 0;

protected:
	virtual ~Shell() = default;
};

} // namespace host
