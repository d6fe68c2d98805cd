#pragma once

#include <framework/OSInterface.h>

namespace framework
{

class AppController;

/**
 * The shell's platform interface: resolution and orientation changes, the
 * sleep switch and the game's stop and start of the frame loop. Main
 * thread only.
 */
class IOSOSInterface : public OSInterface
{
public:
	/** controller must outlive this object. */
	explicit IOSOSInterface(AppController* controller);

	/** Nothing. */
	void loadShaders(std::string const& path, bool reload) override;

	/** The default data path (empty here: the io layer's folders make paths absolute). */
	std::string getDefaultDataPath() override;

	/**
	 * Resets the context to width x height (context order) when it exists,
	 * then tells the application (resolutionChanged). Sizes below 1 change
	 * nothing.
	 */
	void setResolution(int width, int height) override;

	/**
	 * Stores the orientation; when the context exists and has another
	 * orientation, turns it, sets the resolution from the screen's bounds
	 * and tells the application (orientationChanged).
	 */
	void setOrientation(gr::Context::OrientationType orientation) override;

	/** The host's sleep switch. */
	void allowSleep(bool allow) override;

	/** False. */
	bool isSilentProfile() override;

	/** Clears the stop; restarts the frame loop while the application is active. */
	void startUpdate() override;

	/** Stops the frame loop until startUpdate. */
	void stopUpdate() override;

	void setFullscreen(bool fullscreen) override;
	bool isFullscreen() const override;
	bool captureMouse(bool capture) override;
	bool isMouseCaptured() const override;
	void setMousePosition(int x, int y) override;
	void setCursor(std::string const& name) override;

	/** The orientation last stored. */
	int orientation() const { return m_orientation; }

	/** True after stopUpdate until startUpdate. */
	bool updateStopped() const { return m_updateStopped; }

private:
	AppController* m_controller;
	int m_orientation;
	std::string m_defaultDataPath;
	bool m_updateStopped;
};

} // framework
