#pragma once

#include <gr/Context.h>
#include <string>
#include <vector>

namespace framework
{

/**
 * The platform services that the framework and the game ask of the shell
 * (resolution, orientation, sleep, the frame loop, the data path). The
 * platform shell implements it; main thread only.
 */
class OSInterface
{
public:
	OSInterface();
	virtual ~OSInterface();

	/** Loads the shaders under path (nothing on platforms without the need). */
	virtual void loadShaders(std::string const& path, bool reload) = 0;

	/** The text prefixed to every data path (may be empty). */
	virtual std::string getDefaultDataPath() = 0;

	/** Asks for a new render size in pixels (context order). */
	virtual void setResolution(int width, int height) = 0;

	/** Asks for a new screen orientation. */
	virtual void setOrientation(gr::Context::OrientationType orientation) = 0;

	/** Lets the display sleep (or blank) while idle when allow is true. */
	virtual void allowSleep(bool allow) = 0;

	/** True when the device is set to silent. */
	virtual bool isSilentProfile() = 0;

	/** Restarts the frame loop after stopUpdate. */
	virtual void startUpdate() = 0;

	/** Stops the frame loop until startUpdate. */
	virtual void stopUpdate() = 0;

	virtual void setFullscreen(bool fullscreen) = 0;
	virtual bool isFullscreen() const = 0;

	/** Captures (or frees) the mouse; true when done. */
	virtual bool captureMouse(bool capture) = 0;
	virtual bool isMouseCaptured() const = 0;
	virtual void setMousePosition(int x, int y) = 0;
	virtual void setCursor(std::string const& name) = 0;

protected:
	/** Texts of the platform (empty on this one). */
	std::vector<std::string> m_texts;

private:
	OSInterface(OSInterface const&) = delete;
	OSInterface& operator=(OSInterface const&) = delete;
};

} // framework
