#include <support/LoopbackHttpServer.h>
#include <support/ScopedVariable.h>
#include <support/TempFolder.h>
#include <RatePrompt/DefaultRoute.h>
#include <RatePrompt/RatePrompt.h>
#include <io/detail/detail.h>
#include <pf/Alert.h>
#include <pf/Launcher.h>
#include <pf/MainThread.h>
#include <pf/UserDefaults.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <filesystem>
#include <thread>

namespace
{

double const DAY = 86400;

/**
 * The prompt on a stepped clock (moved only while the worker idles), a
 * temporary app-data folder and an alert presenter that records each alert
 * and gives the answer set in the test.
 */
class RatePromptTest : public ::testing::Test
{
protected:
	test::TempFolder appData;
	pf::UserDefaults& defaults = pf::UserDefaults::standard();
	RatePrompt::Configuration config = RatePrompt::defaultConfiguration();
	double clock = 1.7e9;
	bool reachable = true;
	int answer = -1;
	std::vector<std::string> alerts;

	RatePromptTest()
	{
		io::detail::setAppdataPath(appData.path());
		defaults.reset();
		pf::clearMainThreadQueue();
		config.version = "1.0";
		config.now = [this] { return clock; };
		config.reachable = [this] { return reachable; };
		config.probeUrl = "";
		RatePrompt::configure(config);
		pf::setAlertPresenter([this](std::string const& title, std::string const& message, std::vector<std::string> const& buttons) {
			std::string text = title + "|" + message;
			for (std::string const& b : buttons)
				text += "|" + b;
			alerts.push_back(text);
			return answer;
		});
	}

	~RatePromptTest() override
	{
		RatePrompt::shutdown();
		RatePrompt::configure(RatePrompt::defaultConfiguration());
		pf::setAlertPresenter(nullptr);
		pf::clearMainThreadQueue();
		defaults.reset();
		io::detail::setAppdataPath("");
	}

	/** Uses the new configuration for the next requests. */
	void reconfigure() { RatePrompt::configure(config); }

	/** Waits for the worker, then gives the main thread its turn. */
	void settle()
	{
		RatePrompt::waitUntilIdle();
		pf::runMainThreadQueue();
	}

	/** Launches count times at the clock's time; the number of alerts shown. */
	int launch(int count = 1, bool canPrompt = true)
	{
		size_t const before = alerts.size();
		for (int i = 0; i < count; ++i)
		{
			RatePrompt::appLaunched(canPrompt);
			settle();
		}
		return static_cast<int>(alerts.size() - before);
	}

	/** The stored values as written to the file. */
	double stored(char const* key)
	{
		defaults.reset();
		return defaults.getNumber(key, -1);
	}
	bool storedFlag(char const* key)
	{
		defaults.reset();
		return defaults.getBoolean(key);
	}

	/** A version with 21 uses, the first 3 days ago. */
	void seedDue()
	{
		defaults.setString("kRatePromptCurrentVersion", config.version);
		defaults.setNumber("kRatePromptFirstUseDate", clock - 3 * DAY);
		defaults.setNumber("kRatePromptUseCount", 20);
		ASSERT_TRUE(defaults.synchronise());
	}
};

TEST_F(RatePromptTest, AsksAtThe21stLaunchThreeDaysAfterTheFirst)
{
	double const first = clock;
	EXPECT_EQ(0, launch());
	EXPECT_EQ(first, stored("kRatePromptFirstUseDate"));
	clock = first + 3 * DAY;
	EXPECT_EQ(0, launch(19)) << "20 uses";
	EXPECT_EQ(20, stored("kRatePromptUseCount"));
	EXPECT_EQ(1, launch()) << "the 21st";
	ASSERT_EQ(1u, alerts.size());
	EXPECT_EQ("If you like Velmora Drift HD, please rate it.||No, Thanks|Rate Now|Remind me later", alerts[0]);
	EXPECT_EQ(1, launch()) << "dismissed without a choice: asked again";

	// A new version counts from its own first use.
	config.version = "1.1";
	reconfigure();
	EXPECT_EQ(0, launch(21));
	EXPECT_EQ(21, stored("kRatePromptUseCount"));
	EXPECT_EQ("1.1", defaults.getString("kRatePromptCurrentVersion"));
	clock += 3 * DAY - 1;
	EXPECT_EQ(0, launch()) << "a second short of 3 days";
	clock += 1;
	EXPECT_EQ(1, launch());
}

TEST_F(RatePromptTest, ChoicesAreKeptPerVersion)
{
	test::TempFolder bin;
	bin.write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + (bin / "opened") + "'\n");
	chmod((bin / "xdg-open").c_str(), 0755);
	test::ScopedVariable path("PATH", (bin.path() + ":" + (getenv("PATH") ? getenv("PATH") : "")).c_str());
	config.appId = 4711;
	reconfigure();

	struct Case
	{
		int answer;
		char const* flag;
		bool again;
	};
	Case const cases[] = {{0, "kRatePromptDeclinedToRate", false}, {1, "kRatePromptRatedCurrentVersion", false},
		{2, nullptr, true}};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.answer);
		std::filesystem::remove(appData / "user-defaults.json");
		defaults.reset();
		config.version = "1.0";
		reconfigure();
		seedDue();
		answer = c.answer;
		double const asked = clock;
		ASSERT_EQ(1, launch());
		answer = -1;
		if (c.flag)
			EXPECT_TRUE(storedFlag(c.flag));
		else
			EXPECT_EQ(asked, stored("kRatePromptReminderRequestDate"));
		clock += DAY - 1;
		EXPECT_EQ(0, launch()) << "a second short of a day";
		clock += 1;
		EXPECT_EQ(c.again ? 1 : 0, launch()) << "a day later";
		clock += 365 * DAY;
		EXPECT_EQ(c.again ? 1 : 0, launch()) << "a year later";

		// The next version clears the choice and counts from 1.
		config.version = "2.0";
		reconfigure();
		EXPECT_EQ(0, launch());
		EXPECT_EQ(1, stored("kRatePromptUseCount"));
		EXPECT_FALSE(storedFlag("kRatePromptDeclinedToRate"));
		EXPECT_FALSE(storedFlag("kRatePromptRatedCurrentVersion"));
		EXPECT_EQ(0, stored("kRatePromptReminderRequestDate"));
	}
	pf::Launcher::reapChildren(true);
	EXPECT_EQ("itms-apps://localhost/WebObjects/MZStore.woa/wa/viewContentsUserReviews?type=Purple+Software&id=4711\n",
		bin.read("opened"));
}

TEST_F(RatePromptTest, CountsWithoutAskingWhenNotAllowedOrOffline)
{
	struct Case
	{
		bool canPrompt;
		bool reachable;
		int alerts;
	};
	Case const cases[] = {{false, true, 0}, {true, false, 0}, {true, true, 1}};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(std::to_string(c.canPrompt) + " " + std::to_string(c.reachable));
		std::filesystem::remove(appData / "user-defaults.json");
		defaults.reset();
		seedDue();
		reachable = c.reachable;
		EXPECT_EQ(c.alerts, launch(1, c.canPrompt));
		EXPECT_EQ(21, stored("kRatePromptUseCount"));
	}
}

TEST_F(RatePromptTest, SimultaneousLaunchesCountEachAndAskOnce)
{
	seedDue();
	answer = 2;
	std::vector<std::thread> threads;
	for (int i = 0; i < 50; ++i)
		threads.emplace_back([] { RatePrompt::appLaunched(); });
	for (std::thread& t : threads)
		t.join();
	settle();
	EXPECT_EQ(70, stored("kRatePromptUseCount"));
	EXPECT_EQ(1u, alerts.size()) << "no second alert while one is up";
}

TEST_F(RatePromptTest, DamagedValuesReadAsZeroOrNo)
{
	struct Case
	{
		char const* file;
		double uses;
	};
	Case const cases[] = {
		{"not json", 1},
		{"{\"kRatePromptUseCount\": \"many\", \"kRatePromptFirstUseDate\": \"x\", \"kRatePromptDeclinedToRate\": 1,"
		 " \"kRatePromptCurrentVersion\": 5, \"kRatePromptReminderRequestDate\": true}", 1},
		{"{\"kRatePromptCurrentVersion\": \"1.0\", \"kRatePromptUseCount\": -7}", 1},
		{"{\"kRatePromptCurrentVersion\": \"1.0\", \"kRatePromptUseCount\": 2147483646.5}", 2147483647},
		{"{\"kRatePromptCurrentVersion\": \"1.0\", \"kRatePromptUseCount\": 1e300}", 2147483647},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.file);
		appData.write("user-defaults.json", c.file);
		defaults.reset();
		EXPECT_EQ(0, launch());
		EXPECT_EQ(c.uses, stored("kRatePromptUseCount"));
		EXPECT_EQ(clock, stored("kRatePromptFirstUseDate"));
	}
	// A count at its limit still asks once the other conditions hold.
	clock += 3 * DAY;
	EXPECT_EQ(1, launch());
}

TEST_F(RatePromptTest, DeactivationWithdrawsTheWaitingAlert)
{
	seedDue();
	RatePrompt::appLaunched();
	RatePrompt::waitUntilIdle();
	RatePrompt::appWillResignActive();
	pf::runMainThreadQueue();
	EXPECT_TRUE(alerts.empty());
	EXPECT_EQ(1, launch()) << "asked again at the next launch";
}

TEST_F(RatePromptTest, ProbesThePageOnceWhenTheAlertIsDue)
{
	test::LoopbackHttpServer server;
	config.probeUrl = server.url("/probe");
	reconfigure();
	EXPECT_EQ(0, launch(2));
	EXPECT_TRUE(server.requests().empty()) << "not due: no probe";
	seedDue();
	EXPECT_EQ(1, launch());
	std::vector<test::LoopbackHttpServer::Request> const requests = server.requests();
	ASSERT_EQ(1u, requests.size());
	EXPECT_EQ("GET", requests[0].method);
	EXPECT_EQ("/probe", requests[0].path);

	// A probe that gets no answer ends at shutdown.
	server.setDefault(test::LoopbackHttpServer::never());
	RatePrompt::appLaunched();
	ASSERT_TRUE(server.waitForRequests(2));
	RatePrompt::shutdown();
	pf::runMainThreadQueue();
	EXPECT_EQ(1u, alerts.size()) << "the waiting alert is withdrawn at shutdown";
}

TEST(RatePromptRoutes, DefaultRouteThatIsUp)
{
	std::string const header4 = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
	std::string const local6 = "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
							   "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n";
	struct Case
	{
		std::string ipv4;
		std::string ipv6;
		bool found;
	};
	Case const cases[] = {
		{header4 + "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n", local6, true},
		{header4 + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n", local6, false},
		{header4 + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n", "", false},
		{header4 + "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n", "", false},
		{header4, "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
				  "fd000000000000000000000000000001 00000400 00000003 00000000 00000003     eth0\n", true},
		{"", "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
			 "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n", false},
		{"eth0 00000000 0 zz 0 0 0 00000000\n", "0 0 0\n", false},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.found, DefaultRoute::inTables(c.ipv4, c.ipv6)) << c.ipv4 << c.ipv6;
}

} // namespace
