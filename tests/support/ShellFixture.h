#pragma once

#include "RecordingApp.h"
#include <framework/linux/AppController.h>
#include <framework/linux/HeadlessHost.h>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace test
{

/**
 * Launches a headless shell with the test's own configure and init.
 * By default the application is a RecordingApp writing into log, the
 * configuration asks for OpenGL ES 2.0, a 32-bit colour buffer and
 * landscape orientations (1, 3), and the screen is 64 x 48 points.
 * Set options, switches, configure or makeApp before launch().
 */
class ShellFixture : public ::testing::Test
{
protected:
	framework::ShellOptions options;
	framework::HeadlessHost::Switches switches;
	std::unique_ptr<framework::HeadlessHost> host;
	std::vector<std::string> log;

	/** The test's configure hook. */
	std::function<void(framework::App::Configuration&, framework::OSInterface&)> configure =
		[](framework::App::Configuration& c, framework::OSInterface&) {
			c.renderers = {1};
			c.colorBits = 32;
			c.allowedOrientations = {1, 3};
		};

	/** The test's factory (null: a RecordingApp). */
	std::function<framework::App*(framework::OSInterface*, gr::Context*)> makeApp;

	ShellFixture()
	{
		options.headless = true;
		options.screenWidth = 48;
		options.screenHeight = 64;
	}

	~ShellFixture() override
	{
		host.reset();
		if (s_current == this)
			s_current = nullptr;
	}

	/** Builds the host and launches (the application is then active). */
	void launch()
	{
		create();
		host->launch();
	}

	/** Builds the host without launching. */
	void create()
	{
		s_current = this;
		host.reset(new framework::HeadlessHost(options, &configureHook, &initHook, switches));
	}

	/** Delivers lines of the events format now. */
	void send(std::string const& lines) { host->send(lines); }

	/** Runs n ticks. */
	void ticks(int n) { host->runTicks(n); }

	/** Terminates and gives the exit status. */
	int finish() { return host->finish(); }

	framework::AppController& controller() { return host->controller(); }

	/** The recording application (null when there is none or another kind). */
	RecordingApp* app() { return dynamic_cast<RecordingApp*>(controller().app()); }

	/** The log lines from index from on. */
	std::vector<std::string> logFrom(size_t from) const
	{
		return std::vector<std::string>(log.begin() + std::min(from, log.size()), log.end());
	}

private:
	static inline ShellFixture* s_current = nullptr;

	static void configureHook(framework::App::Configuration& c, framework::OSInterface& os)
	{
		s_current->configure(c, os);
	}

	static framework::App* initHook(framework::OSInterface* os, gr::Context* context)
	{
		if (s_current->makeApp)
			return s_current->makeApp(os, context);
		return new RecordingApp(os, &s_current->log);
	}
};

} // test
