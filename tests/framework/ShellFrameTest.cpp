#include <support/ShellFixture.h>
#include <framework/AppActivationListeners.h>
#include <framework/linux/IOSOSInterface.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <pf/LocalNotificationsImpl.h>
#include <pf/LocalNotificationsListener.h>
#include <gtest/gtest.h>
#include <cmath>

namespace
{

using framework::App;
using framework::AppController;
using Lines = std::vector<std::string>;

class ShellFrames : public test::ShellFixture
{
};

TEST(ShellFrameInterval, WholeTicksOfTheDisplay)
{
	struct Case { int rate, interval; };
	for (Case c : {Case{60, 1}, {30, 2}, {0, 1}, {45, 1}, {120, 1}, {20, 3}, {-5, 1}, {1, 60}})
		EXPECT_EQ(AppController::frameInterval(c.rate), c.interval) << c.rate;
}

TEST(ShellFrameTime, ClampedToZeroAndATenth)
{
	EXPECT_FLOAT_EQ(AppController::frameTime(16667), 0.016667f);
	EXPECT_EQ(AppController::frameTime(-5000), 0.0f);
	EXPECT_FLOAT_EQ(AppController::frameTime(2000000), 0.1f);
	EXPECT_FLOAT_EQ(AppController::frameTime(100000), 0.1f);
	EXPECT_EQ(AppController::frameTime(0), 0.0f);
}

TEST_F(ShellFrames, FrameRateSetsTicksPerFrame)
{
	for (int rate : {30, 45, 120})
	{
		SCOPED_TRACE(rate);
		configure = [rate](App::Configuration& c, framework::OSInterface&) {
			c.renderers = {1};
			c.framerate = rate;
		};
		launch();
		ticks(12);
		EXPECT_EQ(int(app()->dts.size()), 12 / AppController::frameInterval(rate));
		// The virtual clock runs at the display's rate: dt is the interval.
		EXPECT_NEAR(app()->dts.back(), AppController::frameInterval(rate) / 60.0, 1e-5);
		finish();
		host.reset();
	}
}

TEST_F(ShellFrames, DtFollowsTheClockAndTheContextTimeAddsUp)
{
	options.frameTime = 0.02;
	launch();
	ticks(1);
	send("0 clock 0.03");
	ticks(1);
	send("0 clock -1");
	ticks(1);
	send("0 clock 2");
	ticks(1);
	std::vector<float> const& dts = app()->dts;
	ASSERT_EQ(dts.size(), 4u);
	EXPECT_NEAR(dts[0], 0.02, 1e-6);
	EXPECT_NEAR(dts[1], 0.05, 1e-6); // a gap
	EXPECT_EQ(dts[2], 0.0f);         // the clock went back
	EXPECT_FLOAT_EQ(dts[3], 0.1f);   // 2 s, capped
	// The context time is set before each frame: the sum of the dts.
	float sum = 0;
	for (size_t i = 0; i < dts.size(); ++i)
	{
		sum += dts[i];
		EXPECT_NEAR(app()->times[i], sum, 1e-6) << i;
	}
	EXPECT_NEAR(controller().context()->time(), sum, 1e-6);
}

// Activation listener recording into the shell log.
struct ActivationRecorder : framework::AppActivationListener
{
	std::vector<std::string>* log;
	explicit ActivationRecorder(std::vector<std::string>* l) : log(l) {}
	void activated() override { log->push_back("listener activated"); }
	void deactivated() override { log->push_back("listener deactivated"); }
};

TEST_F(ShellFrames, DeactivateAndActivate)
{
	ActivationRecorder listener(&log);
	framework::AppActivationListeners::s_listeners.push_back(&listener);
	launch();
	ticks(2);
	send("0 key-down A\n0 touch-begin 4 10 12\n0 touch-begin 5 1 1");
	ASSERT_TRUE(app()->isKeyDown(App::A));
	ASSERT_EQ(app()->touches().size(), 2u);

	size_t mark = log.size();
	send("0 deactivate");
	EXPECT_EQ(logFrom(mark), (Lines{"activate 0", "touchCancel", "activateAudio 0", "listener deactivated"}));
	EXPECT_FALSE(app()->isKeyDown(App::A));
	EXPECT_FALSE(app()->isKeyDown(App::LBUTTON));
	EXPECT_TRUE(app()->touches().empty());

	size_t const frames = app()->dts.size();
	send("0 clock 5");
	ticks(10);
	EXPECT_EQ(app()->dts.size(), frames); // no frames while inactive

	mark = log.size();
	send("0 activate");
	EXPECT_EQ(logFrom(mark), (Lines{"activate 1", "touchCancel", "activateAudio 1", "listener activated"}));
	ticks(1);
	// The clock restarts at activation: the first dt is one tick, not the pause.
	EXPECT_NEAR(app()->dts.back(), 1.0 / 60, 1e-5);

	// The mouse touch was forgotten: a new touch plays the mouse again.
	mark = log.size();
	send("0 touch-begin 6 3 4");
	EXPECT_EQ(logFrom(mark), (Lines{"touchBegan 6 3 4", "mouseMove 3 4", "keyDown LBUTTON"}));
	std::erase(framework::AppActivationListeners::s_listeners, &listener);
}

TEST_F(ShellFrames, GameStopUpdateHoldsAcrossActivation)
{
	launch();
	ticks(1);
	framework::OSInterface* os = app()->os();
	size_t mark = log.size();
	os->stopUpdate();
	EXPECT_EQ(logFrom(mark), (Lines{"activate 0", "touchCancel", "activateAudio 0"}));
	size_t const frames = app()->dts.size();
	ticks(3);
	send("0 deactivate\n0 activate");
	ticks(3);
	EXPECT_EQ(app()->dts.size(), frames); // still stopped: activation does not restart it

	// Started while inactive: only remembered.
	send("0 deactivate");
	os->startUpdate();
	ticks(3);
	EXPECT_EQ(app()->dts.size(), frames);
	send("0 activate");
	ticks(3);
	EXPECT_EQ(app()->dts.size(), frames + 3);
}

TEST_F(ShellFrames, QuitEndsTheRunWithItsCode)
{
	launch();
	app()->onUpdate = [](test::RecordingApp& a, float, gr::Context*) {
		if (a.dts.size() == 3)
			a.quit(7);
	};
	ticks(10);
	EXPECT_EQ(host->ticks(), 3);
	EXPECT_TRUE(controller().finished());
	EXPECT_EQ(finish(), 7);
	EXPECT_EQ(log.back(), "destroyed");
}

TEST_F(ShellFrames, AnExceptionOutOfTheGameEndsItsCalls)
{
	struct Case
	{
		char const* name;
		bool framework;
		char const* message;
	};
	for (Case c : {Case{"framework", true, "Exception from game: level broken\n"}, Case{"other", false, "Unknown exception from game!\n"}})
	{
		SCOPED_TRACE(c.name);
		log.clear();
		launch();
		bool const framework = c.framework;
		app()->onUpdate = [framework](test::RecordingApp& a, float, gr::Context*) {
			if (a.dts.size() == 2)
			{
				if (framework)
					lang::throwError(lang::Exception(lang::Format("level {0}", "broken")));
				throw 42;
			}
		};
		testing::internal::CaptureStdout();
		ticks(5);
		std::string const out = testing::internal::GetCapturedStdout();
		EXPECT_NE(out.find(c.message), std::string::npos) << out;
		EXPECT_EQ(out.find(c.framework ? "Unknown" : "Exception from"), std::string::npos) << out;
		EXPECT_EQ(host->ticks(), 2);
		EXPECT_EQ(app()->dts.size(), 2u);
		size_t const mark = log.size();
		send("0 touch-begin 1 2 3\n0 key-down A\n0 deactivate\n0 url x:y");
		EXPECT_EQ(finish(), 1);
		EXPECT_EQ(logFrom(mark), (Lines{"destroyed"})); // nothing but its destruction
		host.reset();
	}
}

TEST_F(ShellFrames, ExceptionsOutOfInputAndLifecycleCountToo)
{
	struct Thrower : test::RecordingApp
	{
		using RecordingApp::RecordingApp;
		void keyDown(KeyType) override { lang::throwError(lang::Exception(lang::Format("bad key"))); }
	};
	makeApp = [this](framework::OSInterface* os, gr::Context*) -> App* { return new Thrower(os, &log); };
	launch();
	testing::internal::CaptureStdout();
	send("0 key-down B");
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_NE(out.find("Exception from game: bad key\n"), std::string::npos) << out;
	ticks(3);
	EXPECT_TRUE(app()->dts.empty());
	EXPECT_EQ(finish(), 1);
}

TEST_F(ShellFrames, UrlBeforeLaunchRunsTheLaunchFirst)
{
	create();
	testing::internal::CaptureStdout();
	controller().openURL("game://level/3");
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_NE(out.find("UIApplication invoked via URL...\n"), std::string::npos);
	ASSERT_NE(app(), nullptr);
	EXPECT_EQ(log, (Lines{"loadFromUrl game://level/3"}));
	send("0 url game://again");
	EXPECT_EQ(log.back(), "loadFromUrl game://again");
}

TEST_F(ShellFrames, UrlFlagLaunchesThenOpens)
{
	options.url = "game://start";
	launch();
	EXPECT_EQ(log, (Lines{"loadFromUrl game://start", "activate 1", "touchCancel", "activateAudio 1"}));
}

struct NotificationRecorder : pf::LocalNotificationsListener
{
	std::vector<std::string>* log;
	explicit NotificationRecorder(std::vector<std::string>* l) : log(l) {}
	void notificationReceived(std::string const& name) override { log->push_back("notification " + name); }
};

TEST_F(ShellFrames, NotificationsReachTheListeners)
{
	NotificationRecorder listener(&log);
	pf::LocalNotificationsImpl::addListener(&listener);
	options.notification = "daily-bonus";
	testing::internal::CaptureStdout();
	launch();
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_NE(out.find("Received Notification while launching: daily-bonus\n"), std::string::npos) << out;
	// Logged while launching, delivered once the application exists.
	EXPECT_EQ(log, (Lines{"notification daily-bonus", "activate 1", "touchCancel", "activateAudio 1"}));
	send("0 notification refill");
	EXPECT_EQ(log.back(), "notification refill");
	pf::LocalNotificationsImpl::removeListener(&listener);
}

TEST_F(ShellFrames, SleepSwitchReachesTheHost)
{
	launch();
	EXPECT_TRUE(host->sleepAllowed());
	app()->os()->allowSleep(false);
	EXPECT_FALSE(host->sleepAllowed());
	app()->os()->allowSleep(true);
	EXPECT_TRUE(host->sleepAllowed());
}

} // namespace
