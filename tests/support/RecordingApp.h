#pragma once

#include <framework/App.h>
#include <gr/Context.h>
#include <functional>
#include <string>
#include <vector>

namespace test
{

/**
 * An application that writes every call the shell makes into a log (which
 * outlives it): "update", "keyDown LBUTTON", "touchBegan 1 10 20",
 * "mouseMove 10 20", "activate 1", "activateAudio 0", "loadFromUrl x",
 * "orientationChanged", "resolutionChanged", "mouseWheel 2", "destroyed"...
 * Each frame runs onUpdate when set, else clears the screen to clearColor
 * and presents. dts holds each frame's dt.
 */
class RecordingApp : public framework::App
{
public:
	std::vector<std::string>* log;
	std::vector<float> dts;
	std::vector<float> times;
	unsigned clearColor = 0xFF336699;
	std::function<void(RecordingApp&, float, gr::Context*)> onUpdate;
	/** Also log update calls (off: only dts grows). */
	bool logUpdates = true;

	RecordingApp(framework::OSInterface* os, std::vector<std::string>* log) : App(os), log(log) {}
	~RecordingApp() override { add("destroyed"); }

	void update(float dt, gr::Context* context, int flags) override
	{
		dts.push_back(dt);
		times.push_back(context->time());
		if (logUpdates)
			add("update " + std::to_string(flags));
		if (onUpdate)
		{
			onUpdate(*this, dt, context);
			return;
		}
		context->clear(clearColor, true, true, false);
		context->present();
	}

	void keyDown(KeyType key) override { add(std::string("keyDown ") + toString(key)); }
	void keyUp(KeyType key) override { add(std::string("keyUp ") + toString(key)); }
	void orientationChanged() override { add("orientationChanged"); }
	void resolutionChanged() override { add("resolutionChanged"); }
	void mouseMove(int x, int y) override { add("mouseMove " + std::to_string(x) + " " + std::to_string(y)); }
	void mouseWheel(int n) override { add("mouseWheel " + std::to_string(n)); }

	void touchBegan(framework::TouchEvent const& t) override
	{
		add("touchBegan " + touch(t));
		App::touchBegan(t);
	}

	void touchMoved(framework::TouchEvent const& t) override
	{
		add("touchMoved " + touch(t));
		App::touchMoved(t);
	}

	void touchEnded(framework::TouchEvent const& t) override
	{
		add("touchEnded " + touch(t));
		App::touchEnded(t);
	}

	void touchCancel() override
	{
		add("touchCancel");
		App::touchCancel();
	}

	void activate(bool active) override
	{
		add(std::string("activate ") + (active ? "1" : "0"));
		App::activate(active);
	}

	bool activateAudio(bool active) override
	{
		add(std::string("activateAudio ") + (active ? "1" : "0"));
		return true;
	}

	void loadFromUrl(std::string const& url) override { add("loadFromUrl " + url); }

	void add(std::string const& line)
	{
		if (log)
			log->push_back(line);
	}

private:
	static std::string touch(framework::TouchEvent const& t)
	{
		return std::to_string(t.id) + " " + std::to_string(t.x) + " " + std::to_string(t.y);
	}
};

} // test
