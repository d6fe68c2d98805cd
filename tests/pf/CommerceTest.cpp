#include <support/DamagedCopies.h>
#include <support/TempFolder.h>
#include <io/detail/detail.h>
#include <pf/Alert.h>
#include <pf/Commerce.h>
#include <pf/CommerceListener.h>
#include <pf/MainThread.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

struct Recorder : pf::CommerceListener
{
	std::vector<std::string> calls;
	void paymentFinished(std::string const& id, PaymentStatus status, pf::Commerce::CommerceError error) override
	{
		calls.push_back(id + "," + std::to_string(status) + "," + std::to_string(error));
	}
	void initFinished(PaymentProviderStatus) override {}
	void getPurchaseHistoryFinished(std::string const&) override {}
};

char const* const CATALOGUE = R"({"paymentsAllowed": true, "products": [
	{"id": "a", "title": "A", "description": "first", "price": "1,99 €", "consumable": false, "result": "purchased"},
	{"id": "b", "title": "B", "description": "second", "price": "0,99 €", "consumable": true, "result": "purchased"},
	{"id": "c", "title": "C", "description": "third", "price": "2,99 €", "consumable": false, "result": "cancelled"},
	{"id": "e0", "title": "E", "description": "", "price": "", "consumable": false, "result": "failed", "error": 0},
	{"id": "e1", "title": "E", "description": "", "price": "", "consumable": false, "result": "failed", "error": 1},
	{"id": "e4", "title": "E", "description": "", "price": "", "consumable": false, "result": "failed", "error": 4},
	{"id": "e7", "title": "E", "description": "", "price": "", "consumable": false, "result": "failed", "error": 7},
	{"id": "d", "title": "D", "description": "fourth", "price": "3,99 €", "consumable": false, "result": "purchased"}
]})";

class CommerceStore : public ::testing::Test
{
protected:
	test::TempFolder bundle;
	test::TempFolder appData;
	Recorder listener;
	std::vector<std::string> alerts;

	CommerceStore()
	{
		io::detail::setBundlePath(bundle.path());
		io::detail::setAppdataPath(appData.path());
		bundle.write("store-catalogue.json", CATALOGUE);
		pf::clearMainThreadQueue();
		pf::setAlertPresenter([this](std::string const& title, std::string const& message, std::vector<std::string> const&) {
			alerts.push_back(title + "|" + message);
			return 0;
		});
	}

	~CommerceStore() override
	{
		pf::setAlertPresenter(nullptr);
		pf::clearMainThreadQueue();
		io::detail::setBundlePath("");
		io::detail::setAppdataPath("");
	}

	lang::Ptr<pf::Commerce> store(std::vector<char const*> ids)
	{
		return new pf::Commerce(static_cast<unsigned>(ids.size()), ids.data(), &listener);
	}

	/** Delivers the store's outcomes and shows the queued alerts. */
	void deliver(pf::Commerce& commerce)
	{
		commerce.checkForCallback();
		pf::runMainThreadQueue();
	}
};

TEST_F(CommerceStore, ProductListFillsKnownItemsAndReportsUnknownIds)
{
	lang::Ptr<pf::Commerce> known = store({"d", "a"});
	EXPECT_TRUE(known->listAvailableItems(&listener));
	EXPECT_TRUE(listener.calls.empty()) << "outcomes wait for checkForCallback";
	deliver(*known);
	ASSERT_EQ(2u, known->getItems().size());
	EXPECT_EQ("a", known->getItems()[0]->getId()) << "catalogue order";
	EXPECT_EQ("1,99 €", known->getItems()[0]->getPrice());
	EXPECT_EQ(1, known->getItems()[1]->getType());

	lang::Ptr<pf::Commerce> unknown = store({"a", "nope"});
	unknown->listAvailableItems(&listener);
	deliver(*unknown);
	EXPECT_EQ(1u, unknown->getItems().size());
	EXPECT_EQ((std::vector<std::string>{",1,0", ",2,5"}), listener.calls);
	EXPECT_TRUE(alerts.empty());
}

TEST_F(CommerceStore, PurchaseOutcomesAndAlerts)
{
	lang::Ptr<pf::Commerce> commerce = store({"a", "b", "c", "e0", "e1", "e4", "e7", "d"});
	struct Case
	{
		char const* id;
		char const* outcome;
		size_t alerts;
	} const cases[] = {
		{"a", "a,1,0", 0}, {"c", ",2,2", 0}, {"e0", ",2,6", 1}, {"e1", ",2,1", 1}, {"e4", ",2,4", 1},
		{"e7", ",2,6", 1}, {"unlisted", ",2,3", 1},
	};
	for (Case const& c : cases)
	{
		listener.calls.clear();
		alerts.clear();
		EXPECT_TRUE(commerce->buyItemId(c.id, &listener)) << c.id;
		deliver(*commerce);
		EXPECT_EQ(std::vector<std::string>{c.outcome}, listener.calls) << c.id;
		EXPECT_EQ(c.alerts, alerts.size()) << c.id;
	}

	listener.calls.clear();
	alerts.clear();
	EXPECT_FALSE(commerce->buyItemId("", &listener));
	EXPECT_EQ(std::vector<std::string>{",2,5"}, listener.calls) << "refusals are immediate";
	pf::runMainThreadQueue();
	EXPECT_EQ(std::vector<std::string>{"Payment Error|No items available."}, alerts);

	bundle.write("store-catalogue.json", R"({"paymentsAllowed": false, "products": []})");
	listener.calls.clear();
	alerts.clear();
	EXPECT_FALSE(commerce->isEnabled());
	EXPECT_FALSE(commerce->buyItemId("a", &listener));
	pf::runMainThreadQueue();
	EXPECT_EQ(std::vector<std::string>{",2,4"}, listener.calls);
	EXPECT_EQ(std::vector<std::string>{"Payment Error|In-App purchase is disabled from the device settings."}, alerts);
}

TEST_F(CommerceStore, RestoreByANewStoreReplaysNonConsumablesInOrder)
{
	{
		lang::Ptr<pf::Commerce> commerce = store({"a", "b", "d"});
		for (char const* id : {"d", "b", "a", "d"})
			commerce->buyItemId(id, &listener);
		deliver(*commerce);
	}
	listener.calls.clear();
	lang::Ptr<pf::Commerce> later = store({"a", "b", "d"});
	later->listAvailableItems(&listener);
	later->restoreItems(&listener);
	deliver(*later);
	EXPECT_EQ((std::vector<std::string>{",1,0", "d,3,0", "a,3,0", ",1,0"}), listener.calls);
	EXPECT_EQ(1, later->getItems()[0]->getQuantity()) << "a restored";
	EXPECT_EQ(0, later->getItems()[1]->getQuantity()) << "b is consumable";
}

TEST_F(CommerceStore, OutcomesWaitForAListenerAndDieWithTheStore)
{
	lang::Ptr<pf::Commerce> commerce = store({"a"});
	commerce->buyItemId("a", nullptr);
	commerce->checkForCallback();
	commerce->restoreItems(&listener);
	deliver(*commerce);
	EXPECT_EQ((std::vector<std::string>{"a,1,0", "a,3,0", ",1,0"}), listener.calls);

	listener.calls.clear();
	commerce->buyItemId("a", &listener);
	commerce = nullptr;
	EXPECT_TRUE(listener.calls.empty());
}

TEST_F(CommerceStore, DamagedCatalogueAndRecordFailCleanly)
{
	std::string const good = CATALOGUE;
	std::vector<unsigned char> bytes(good.begin(), good.end());
	forEachDamagedCopy(bytes, 200, 26, [&](std::vector<unsigned char> const& copy) {
		bundle.write("store-catalogue.json", std::string(copy.begin(), copy.end()));
		lang::Ptr<pf::Commerce> commerce = store({"a", "d"});
		listener.calls.clear();
		commerce->listAvailableItems(&listener);
		deliver(*commerce);
		ASSERT_EQ(1u, listener.calls.size());
		if (listener.calls[0] == ",2,6")
		{
			EXPECT_TRUE(commerce->getItems().empty());
		}
	});

	for (char const* bad : {"{\"paymentsAllowed\": true}", "[]", "{\"paymentsAllowed\": 1, \"products\": []}",
			 "{\"paymentsAllowed\": true, \"products\": [{\"id\": \"a\"}]}"})
	{
		bundle.write("store-catalogue.json", bad);
		lang::Ptr<pf::Commerce> commerce = store({"a"});
		listener.calls.clear();
		commerce->listAvailableItems(&listener);
		deliver(*commerce);
		EXPECT_EQ(std::vector<std::string>{",2,6"}, listener.calls) << bad;
	}
	std::string duplicate = good;
	duplicate.replace(duplicate.find("\"id\": \"b\""), 9, "\"id\": \"a\"");
	bundle.write("store-catalogue.json", duplicate);
	lang::Ptr<pf::Commerce> commerce = store({"a"});
	listener.calls.clear();
	commerce->listAvailableItems(&listener);
	deliver(*commerce);
	EXPECT_EQ(std::vector<std::string>{",2,6"}, listener.calls);

	bundle.write("store-catalogue.json", CATALOGUE);
	std::string const record = R"({"purchases": ["a", "d"]})";
	std::vector<unsigned char> recordBytes(record.begin(), record.end());
	forEachDamagedCopy(recordBytes, 100, 7, [&](std::vector<unsigned char> const& copy) {
		appData.write("store-purchases.json", std::string(copy.begin(), copy.end()));
		listener.calls.clear();
		commerce->restoreItems(&listener);
		deliver(*commerce);
		ASSERT_FALSE(listener.calls.empty());
		EXPECT_TRUE(listener.calls.back() == ",1,0" || listener.calls.back() == ",2,6") << listener.calls.back();
	});

	// A purchase over a damaged record keeps the old one aside.
	appData.write("store-purchases.json", "{\"purchases\": [\"a\", \"a\"]}");
	listener.calls.clear();
	commerce->buyItemId("d", &listener);
	deliver(*commerce);
	EXPECT_EQ(std::vector<std::string>{"d,1,0"}, listener.calls);
	EXPECT_EQ("{\"purchases\": [\"a\", \"a\"]}", appData.read("store-purchases.json.bad"));
}

} // namespace
