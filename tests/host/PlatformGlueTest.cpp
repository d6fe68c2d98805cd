// The store, notification, video and analytics functions of the host,
// driven by a script that records its callbacks.
#include <support/HostFixture.h>
#include <support/VideoClip.h>
#include <GameLua.h>
#include <host/Tally.h>
#include <lang/System.h>
#include <pf/Alert.h>
#include <pf/LocalNotificationsImpl.h>
#include <pf/MainThread.h>
#include <pf/UserDefaults.h>
#include <pf/VideoSlot.h>
#include <lua.hpp>
#include <gtest/gtest.h>

namespace
{

std::string catalogue(int known)
{
	std::string text = "{\"paymentsAllowed\": true, \"products\": [";
	for (int i = 0; i < known; ++i)
	{
		text += std::string(i ? "," : "") + "{\"id\": \"" + GameLua::sm_purchaseItemIds[i] + "\", \"title\": \"T" +
			std::to_string(i) + "\", \"description\": \"D\", \"price\": \"" + std::to_string(i) +
			",99 €\", \"consumable\": " + (i % 2 ? "true" : "false") + ", \"result\": \"purchased\"}";
	}
	text += ",{\"id\": \"cancel\", \"title\": \"\", \"description\": \"\", \"price\": \"\", \"consumable\": false, \"result\": \"cancelled\"}";
	for (int e : {0, 1, 2, 3, 4, 7})
	{
		text += ",{\"id\": \"e" + std::to_string(e) + "\", \"title\": \"\", \"description\": \"\", \"price\": \"\", "
			"\"consumable\": false, \"result\": \"failed\", \"error\": " + std::to_string(e) + "}";
	}
	return text + "]}";
}

class PlatformGlue : public test::HostFixture
{
protected:
	std::vector<std::string> alerts;

	PlatformGlue()
	{
		pf::clearMainThreadQueue();
		pf::UserDefaults::standard().reset();
		pf::LocalNotificationsImpl::cancelAll();
		pf::setAlertPresenter([this](std::string const& title, std::string const& message, std::vector<std::string> const&) {
			alerts.push_back(title + "|" + message);
			return 0;
		});
		bundle.write("store-catalogue.json", catalogue(10));
	}

	~PlatformGlue() override
	{
		pf::setAlertPresenter(nullptr);
		pf::clearMainThreadQueue();
		pf::LocalNotificationsImpl::cancelAll();
		destroyHost();
		pf::UserDefaults::standard().reset();
	}

	/** The script: records every callback in "log" as "name:args". */
	void script()
	{
		run("log = {} "
			"function update() end "
			"function onStore(id, status, err) log[#log + 1] = 'store:' .. id .. ',' .. status .. ',' .. err end "
			"function other(id, status, err) log[#log + 1] = 'other:' .. id .. ',' .. status .. ',' .. err end "
			"function onNote(name) log[#log + 1] = 'note:' .. name end");
	}

	/** A frame step and a turn of the main-thread queue, as the shell runs them. */
	void frame()
	{
		host().update(0.f);
		pf::runMainThreadQueue();
	}
};

TEST_F(PlatformGlue, ProductListAndItems)
{
	script();
	run("iapInitItemPurchase('onStore')");
	frame();
	EXPECT_EQ(std::vector<std::string>{"store:,1,0"}, log());
	EXPECT_EQ("10", eval("iapGetItemCount()"));
	EXPECT_EQ("com.quennet.Velmora.vortexhawksmall T1 D 1 0 1,99 €",
		eval("(function(t) return t.id .. ' ' .. t.name .. ' ' .. t.description .. ' ' .. t.type .. ' ' .. t.quantity .. ' ' .. t.price end)(iapGetItemAt(1))"));

	bundle.write("store-catalogue.json", catalogue(3));
	run("iapInitItemPurchase('onStore')");
	frame();
	EXPECT_EQ(std::vector<std::string>{"store:,2,5"}, log());
	EXPECT_EQ("3", eval("iapGetItemCount()"));
	for (char const* index : {"5", "-1", "3", "1e30"})
		EXPECT_EQ("nil", eval(std::string("_G.next(iapGetItemAt(") + index + "))")) << index;
	EXPECT_EQ("T0", eval("iapGetItemAt(0/0).name")) << "NaN reads as 0";
	run("iapSetItemDescription(5, 'x') iapSetItemDescription(-1, 'x') iapSetItemDescription(2, '100% new')");
	EXPECT_EQ("D D 100% new", eval("iapGetItemAt(0).description .. ' ' .. iapGetItemAt(1).description .. ' ' .. iapGetItemAt(2).description"));
	EXPECT_NE("", error("iapGetItemAt('x')"));
	EXPECT_NE("", error("iapBuyItem(1)"));
}

TEST_F(PlatformGlue, PurchasesRefusalsAndErrors)
{
	script();
	run("iapBuyItem('', 'onStore')");
	EXPECT_EQ(std::vector<std::string>{"store:,2,5"}, log()) << "a refusal is at once";
	frame();
	EXPECT_EQ(std::vector<std::string>{"Payment Error|No items available."}, alerts);

	alerts.clear();
	struct Case
	{
		std::string id;
		std::string logged;
		size_t alerts;
	} const cases[] = {
		{GameLua::sm_purchaseItemIds[0], std::string("store:") + GameLua::sm_purchaseItemIds[0] + ",1,0", 0},
		{"cancel", "store:,2,2", 0},
		{"e0", "store:,2,6", 1},
		{"e1", "store:,2,1", 1},
		{"e2", "store:,2,2", 0},
		{"e3", "store:,2,3", 1},
		{"e4", "store:,2,4", 1},
		{"e7", "store:,2,6", 1},
	};
	for (Case const& c : cases)
	{
		alerts.clear();
		run("iapBuyItem('" + c.id + "', 'onStore')");
		frame();
		EXPECT_EQ(std::vector<std::string>{c.logged}, log()) << c.id;
		EXPECT_EQ(c.alerts, alerts.size()) << c.id;
	}

	bundle.write("store-catalogue.json", "{\"paymentsAllowed\": false, \"products\": []}");
	alerts.clear();
	EXPECT_EQ("false", eval("iapIsAllowed()"));
	run("iapBuyItem('x', 'other')");
	frame();
	EXPECT_EQ(std::vector<std::string>{"other:,2,4"}, log());
	EXPECT_EQ(std::vector<std::string>{"Payment Error|In-App purchase is disabled from the device settings."}, alerts);

	run("iapBuyItem('', '')");
	frame();
	EXPECT_TRUE(log().empty()) << "an empty callback name drops the outcome";
}

TEST_F(PlatformGlue, RestoreByANewHostLeavesConsumablesOut)
{
	script();
	for (int i : {2, 1, 0})
		run(std::string("iapBuyItem('") + GameLua::sm_purchaseItemIds[i] + "', 'onStore')");
	frame();
	EXPECT_EQ(3u, log().size());
	destroyHost();

	script();
	run("iapRestoreItems('onStore')");
	frame();
	EXPECT_EQ((std::vector<std::string>{std::string("store:") + GameLua::sm_purchaseItemIds[2] + ",3,0",
				  std::string("store:") + GameLua::sm_purchaseItemIds[0] + ",3,0", "store:,1,0"}),
		log());
}

TEST_F(PlatformGlue, AResultBeforeAnyCallbackWaitsForTheFirst)
{
	script();
	host().paymentFinished("early", pf::CommerceListener::PAYMENT_SUCCESS, pf::Commerce::COMMERCE_ERROR_NONE);
	frame();
	EXPECT_TRUE(log().empty());
	run("iapInitItemPurchase('onStore')");
	frame();
	EXPECT_EQ((std::vector<std::string>{"store:early,1,0", "store:,1,0"}), log());
}

TEST_F(PlatformGlue, NotificationsReachTheCallback)
{
	script();
	pf::LocalNotificationsImpl::takeDue(100);
	EXPECT_EQ("true", eval("addNotificationAfter('a', 5, 'text %s')"));
	EXPECT_EQ("true", eval("addNotificationAfter('b', 1, '')"));
	EXPECT_EQ("false", eval("addNotificationAfter('c', 0/0, '')"));
	EXPECT_EQ("false", eval("removeNotification('c')"));
	for (std::string const& name : pf::LocalNotificationsImpl::takeDue(110))
		pf::LocalNotificationsImpl::notifyListeners(name);
	EXPECT_TRUE(log().empty()) << "no callback name yet";

	run("setNotificationCallback('onNote') addNotificationAfter('a', 1, '') addNotificationAfter('b', 2, '')");
	EXPECT_EQ("true", eval("removeNotification('a')"));
	for (std::string const& name : pf::LocalNotificationsImpl::takeDue(120))
		pf::LocalNotificationsImpl::notifyListeners(name);
	EXPECT_EQ(std::vector<std::string>{"note:b"}, log());

	run("addNotificationAfter('x', 1, '') removeAllNotifications()");
	EXPECT_TRUE(pf::LocalNotificationsImpl::scheduled().empty());
	pf::UserDefaults::standard().setBoolean("notifications", false);
	EXPECT_EQ("false", eval("addNotificationAfter('x', 1, '')"));
	EXPECT_TRUE(pf::LocalNotificationsImpl::scheduled().empty());

	destroyHost();
	EXPECT_TRUE(pf::LocalNotificationsImpl::listeners().empty()) << "the host leaves the list with its services";
}

TEST_F(PlatformGlue, VideoStopsAndRestartsUpdates)
{
	script();
	testing::internal::CaptureStdout();
	run("playVideo('missing.mp4')");
	EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("missing.mp4"));
	EXPECT_TRUE(os.calls.empty());

	test::writeVideoClip(bundle / "clip.y4m", 16, 12, 2, 10, [](int, int& r, int& g, int& b) { r = g = b = 0; });
	// The platform interface here has no data path: the name is found in the
	// data folder, whatever the working folder; an absolute one as it is.
	for (std::string const& name : {std::string("clip.y4m"), bundle / "clip.y4m"})
	{
		SCOPED_TRACE(name);
		os.calls.clear();
		run("playVideo('" + name + "')");
		EXPECT_EQ(std::vector<std::string>{"stopUpdate()"}, os.calls);
		for (int turn = 0; turn < 10 && pf::videoScreen(); ++turn)
			pf::runVideoSlot(0.1f, context);
		EXPECT_EQ((std::vector<std::string>{"stopUpdate()", "startUpdate()"}), os.calls);
	}
}

TEST_F(PlatformGlue, AnalyticsLines)
{
	script();
	run("resetTimer()");
	auto printed = [&](std::string const& code) {
		testing::internal::CaptureStdout();
		run(code);
		return testing::internal::GetCapturedStdout();
	};
	for (auto [ms, seconds] : std::vector<std::pair<int64_t, int>>{{1499, 1}, {1500, 2}, {499, 0}, {-5, 0}, {INT64_MAX / 2, INT32_MAX}})
		EXPECT_EQ(seconds, host::Tally::timerSeconds(ms)) << ms;
	// Through the script, with room for the time the call takes.
	host().tally().setTimerStart(lang::System::currentTimeMillis() - 1200);
	std::string out = printed("logTallyTimerEvent('t')");
	EXPECT_NE(std::string::npos, out.find("logTallyTimerEvent: t, 1s, (")) << out;
	EXPECT_NE(std::string::npos, out.find("Logging tally event: name=t paramname=seconds paramvalue=1\n")) << out;
	host().tally().setTimerStart(lang::System::currentTimeMillis() + 60000);
	EXPECT_NE(std::string::npos, printed("logTallyTimerEvent('t')").find(", 0s, (0ms)")) << "a clock set back counts 0";

	out = printed("params = {a = 'b', n = 5, [3] = 'x', c = '100%'} logTallyEventWithParams('e', 'params')");
	EXPECT_NE(std::string::npos, out.find("Logging tally event with params: event=e\n"));
	EXPECT_NE(std::string::npos, out.find("Param: a = b\n"));
	EXPECT_NE(std::string::npos, out.find("Param: c = 100%\n"));
	EXPECT_EQ(std::string::npos, out.find("Param: n")) << out;
	EXPECT_EQ(std::string::npos, out.find("= x")) << out;
	EXPECT_EQ("Logging tally event: name=%s%d\n", printed("logTallyEvent('%s%d')"));
	EXPECT_NE("", error("logTallyEvent(nil)"));
	EXPECT_EQ("", printed("showBannerAd() stopAds() disableiAds()"));
	EXPECT_EQ("GameLua::requestBannerAd()", printed("requestBannerAd()"));
}

} // namespace
