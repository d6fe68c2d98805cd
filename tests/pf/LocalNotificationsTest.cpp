#include <support/TempFolder.h>
#include <io/detail/detail.h>
#include <pf/LocalNotifications.h>
#include <pf/LocalNotificationsImpl.h>
#include <pf/LocalNotificationsListener.h>
#include <pf/UserDefaults.h>
#include <gtest/gtest.h>
#include <cmath>

namespace
{

struct Recorder : pf::LocalNotificationsListener
{
	std::vector<std::string> received;
	void notificationReceived(std::string const& eventName) override { received.push_back(eventName); }
};

class LocalNotificationsClock : public ::testing::Test
{
protected:
	test::TempFolder appData;
	double m_now = 1000;

	LocalNotificationsClock()
	{
		io::detail::setAppdataPath(appData.path());
		pf::UserDefaults::standard().reset();
		pf::LocalNotificationsImpl::cancelAll();
		pf::LocalNotificationsImpl::takeDue(m_now);
	}

	~LocalNotificationsClock() override
	{
		pf::LocalNotificationsImpl::cancelAll();
		pf::UserDefaults::standard().reset();
		io::detail::setAppdataPath("");
	}

	/** Moves the clock on and delivers what is due, as the shell does. */
	void step(double seconds)
	{
		m_now += seconds;
		for (std::string const& name : pf::LocalNotificationsImpl::takeDue(m_now))
			pf::LocalNotificationsImpl::notifyListeners(name);
	}
};

TEST_F(LocalNotificationsClock, FireInOrderOfTheirTimes)
{
	Recorder recorder;
	lang::Ptr<pf::LocalNotifications> notifications = new pf::LocalNotifications();
	notifications->addListener(&recorder);
	EXPECT_TRUE(notifications->addNotificationAfter("late", 10, "m"));
	EXPECT_TRUE(notifications->addNotificationAfter("early", 5, "m"));
	EXPECT_TRUE(notifications->addNotificationAfter("now", -3, "m"));
	EXPECT_TRUE(notifications->addNotificationAfter("never", 1e30f, "m"));
	EXPECT_FALSE(notifications->addNotificationAfter("nan", NAN, "m"));
	step(0);
	EXPECT_EQ(std::vector<std::string>{"now"}, recorder.received);
	step(5);
	step(4.9);
	EXPECT_EQ((std::vector<std::string>{"now", "early"}), recorder.received);
	step(0.2);
	EXPECT_EQ((std::vector<std::string>{"now", "early", "late"}), recorder.received);
	ASSERT_EQ(1u, pf::LocalNotificationsImpl::scheduled().size());
	EXPECT_LT(pf::LocalNotificationsImpl::scheduled()[0].fireTime, 1e10) << "clamped";
}

TEST_F(LocalNotificationsClock, SwitchedOffRemovedAndListenersGoneWithTheirObject)
{
	Recorder recorder;
	{
		lang::Ptr<pf::LocalNotifications> notifications = new pf::LocalNotifications();
		notifications->addListener(&recorder);
		EXPECT_TRUE(notifications->addNotificationAfter("twice", 1, ""));
		EXPECT_TRUE(notifications->addNotificationAfter("twice", 2, ""));
		EXPECT_TRUE(notifications->addNotificationAfter("other", 1, ""));
		EXPECT_TRUE(notifications->removeNotification("twice"));
		step(3);
		EXPECT_EQ((std::vector<std::string>{"other", "twice"}), recorder.received);
		EXPECT_FALSE(notifications->removeNotification("twice"));

		notifications->addNotificationAfter("a", 1, "");
		notifications->addNotificationAfter("b", 1, "");
		notifications->removeAllNotifications();
		EXPECT_TRUE(pf::LocalNotificationsImpl::scheduled().empty());

		pf::UserDefaults::standard().setBoolean("notifications", false);
		EXPECT_FALSE(notifications->addNotificationAfter("off", 1, ""));
		EXPECT_TRUE(pf::LocalNotificationsImpl::scheduled().empty());
		pf::UserDefaults::standard().setBoolean("notifications", true);
		EXPECT_TRUE(notifications->addNotificationAfter("on", 1, ""));
	}
	EXPECT_TRUE(pf::LocalNotificationsImpl::listeners().empty());
	step(2);
	EXPECT_EQ((std::vector<std::string>{"other", "twice"}), recorder.received);
}

} // namespace
