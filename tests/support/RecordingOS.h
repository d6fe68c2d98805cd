#pragma once

#include <framework/OSInterface.h>
#include <string>
#include <vector>

namespace test
{

/**
 * Platform interface that records every call as "name(args)" and keeps the
 * state a real shell would report back (full screen, mouse capture). Its
 * default data path is empty.
 */
class RecordingOS : public framework::OSInterface
{
public:
	std::vector<std::string> calls;
	bool fullscreen = false;
	bool mouseCaptured = false;

	void loadShaders(std::string const& path, bool reload) override { add("loadShaders(" + path + ", " + flag(reload) + ")"); }
	std::string getDefaultDataPath() override { return ""; }
	void setResolution(int width, int height) override { add("setResolution(" + std::to_string(width) + ", " + std::to_string(height) + ")"); }
	void setOrientation(gr::Context::OrientationType orientation) override { add("setOrientation(" + std::to_string(orientation) + ")"); }
	void allowSleep(bool allow) override { add("allowSleep(" + flag(allow) + ")"); }
	bool isSilentProfile() override { return false; }
	void startUpdate() override { add("startUpdate()"); }
	void stopUpdate() override { add("stopUpdate()"); }
	void setFullscreen(bool on) override
	{
		add("setFullscreen(" + flag(on) + ")");
		fullscreen = on;
	}
	bool isFullscreen() const override { return fullscreen; }
	bool captureMouse(bool capture) override
	{
		add("captureMouse(" + flag(capture) + ")");
		mouseCaptured = capture;
		return true;
	}
	bool isMouseCaptured() const override { return mouseCaptured; }
	void setMousePosition(int x, int y) override { add("setMousePosition(" + std::to_string(x) + ", " + std::to_string(y) + ")"); }
	void setCursor(std::string const& name) override { add("setCursor(" + name + ")"); }

private:
	void add(std::string call) { calls.push_back(std::move(call)); }
	static std::string flag(bool b) { return b ? "true" : "false"; }
};

} // test
