// The shell's turn: the main-thread queue, due local notifications and the
// video slot, whether frame updates run or not.
#include <support/ShellFixture.h>
#include <support/TempFolder.h>
#include <support/VideoClip.h>
#include <framework/OSInterface.h>
#include <gr/Context.h>
#include <io/detail/detail.h>
#include <lang/Exception.h>
#include <pf/LocalNotifications.h>
#include <pf/LocalNotificationsImpl.h>
#include <pf/LocalNotificationsListener.h>
#include <pf/MainThread.h>
#include <pf/VideoPlayer.h>
#include <pf/VideoPlayerObserver.h>
#include <pf/VideoSlot.h>
#include <gtest/gtest.h>

namespace
{

typedef std::vector<std::string> Lines;

struct Listener : pf::LocalNotificationsListener, pf::VideoPlayerObserver
{
	std::vector<std::string>* log;
	bool fail = false;
	explicit Listener(std::vector<std::string>* l) : log(l) {}
	void notificationReceived(std::string const& name) override
	{
		log->push_back("notification " + name);
		if (fail)
			lang::throwError(lang::Exception(lang::Format("script error")));
	}
	void videoPlayEnded() override { log->push_back("video ended"); }
};

class ShellServices : public test::ShellFixture
{
protected:
	Listener listener{&log};

	ShellServices()
	{
		pf::clearMainThreadQueue();
		pf::LocalNotificationsImpl::cancelAll();
	}

	~ShellServices() override
	{
		pf::clearMainThreadQueue();
		pf::LocalNotificationsImpl::cancelAll();
	}

	/** The log without the update lines. */
	Lines events(size_t from)
	{
		Lines lines;
		for (std::string const& line : logFrom(from))
		{
			if (line.rfind("update", 0) != 0)
				lines.push_back(line);
		}
		return lines;
	}
};

TEST_F(ShellServices, QueueAndNotificationsRunWhileUpdatesAreStopped)
{
	launch();
	lang::Ptr<pf::LocalNotifications> notifications = new pf::LocalNotifications();
	notifications->addListener(&listener);
	ticks(1);
	notifications->addNotificationAfter("soon", 0.05f, "");
	notifications->addNotificationAfter("later", 10, "");
	app()->os()->stopUpdate();
	size_t const from = log.size();
	pf::postToMainThread([this] { log.push_back("queued"); });
	ticks(6);
	EXPECT_EQ((Lines{"queued", "notification soon"}), events(from));
	EXPECT_EQ(1u, pf::LocalNotificationsImpl::scheduled().size());
}

TEST_F(ShellServices, AFailingNotificationCallbackEndsTheRun)
{
	launch();
	lang::Ptr<pf::LocalNotifications> notifications = new pf::LocalNotifications();
	notifications->addListener(&listener);
	listener.fail = true;
	notifications->addNotificationAfter("boom", 0, "");
	testing::internal::CaptureStdout();
	ticks(2);
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, out.find("Exception from game: script error")) << out;
	EXPECT_EQ(1, finish());
}

TEST_F(ShellServices, AVideoPlaysInTheSlotInsteadOfFrames)
{
	test::TempFolder folder;
	test::writeVideoClip(folder / "clip.y4m", 16, 12, 3, 20, [](int, int& r, int& g, int& b) { r = g = b = 128; });
	// The picture is drawn with the built-in 2D effects.
	io::detail::setBundlePath(ENGINE_DATA_DIR);
	launch();
	controller().context()->setShaderPath("shaders");
	pf::VideoPlayer player;
	app()->os()->stopUpdate();
	int const frames = controller().frameCount();
	ASSERT_TRUE(player.playFullscreen(folder / "clip.y4m", &listener));
	ticks(30);
	EXPECT_EQ(nullptr, pf::videoScreen());
	EXPECT_EQ(Lines{"video ended"}, Lines(1, log.back()));
	EXPECT_EQ(frames, controller().frameCount()) << "no game frames while it played";
	EXPECT_EQ(0, finish());
	io::detail::setBundlePath("");
}

} // namespace
