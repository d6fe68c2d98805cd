// The local game centre's player service and its two files.
#include <support/DamagedCopies.h>
#include <support/ExactNumbers.h>
#include <support/TempFolder.h>
#include <io/detail/detail.h>
#include <lang/Throwable.h>
#include <pf/MainThread.h>
#include <pf/PlayerService.h>
#include <pf/linux/LocalPlayerFiles.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

char const* const CATALOGUE = R"({"leaderboards": [{"category": "drift", "title": "Drift", "order": "high"},
	{"category": "time", "title": "Time", "order": "low"}],
 "achievements": [{"id": "first", "title": "First", "achievedText": "Flew", "hidden": false},
	{"id": "ten", "title": "Ten", "achievedText": "Ten", "hidden": true}]})";

char const* const PROGRESS = R"({"scores": {"drift": 120, "time": -4}, "achievements": {"first": 100, "ten": 12.5}})";

class GameCenterService : public ::testing::Test
{
protected:
	test::TempFolder bundle;
	test::TempFolder appData;

	GameCenterService()
	{
		io::detail::setBundlePath(bundle.path());
		io::detail::setAppdataPath(appData.path());
		bundle.write("gamecenter-catalogue.json", CATALOGUE);
		pf::clearMainThreadQueue();
	}

	~GameCenterService() override
	{
		pf::clearMainThreadQueue();
		pf::PlayerService::failNextSignIn(pf::PlayerService::ERROR_NONE, "");
		io::detail::setBundlePath("");
		io::detail::setAppdataPath("");
	}

	static std::vector<unsigned char> bytes(char const* text) { return std::vector<unsigned char>(text, text + std::char_traits<char>::length(text)); }
};

TEST_F(GameCenterService, OperationsNeedTheSignedInPlayer)
{
	lang::Ptr<pf::PlayerService> service = new pf::PlayerService();
	EXPECT_TRUE(pf::PlayerService::isAvailable());
	std::vector<std::string> calls;
	service->setAuthenticationHandler([&] { calls.push_back(service->localPlayer().authenticated ? "in" : "out"); });
	auto record = [&](char const* what) {
		return [&calls, what](pf::PlayerService::Error const& e) { calls.push_back(what + std::string(":") + std::to_string(e.code)); };
	};
	service->reportScore("drift", 5, record("score"));
	service->loadCategories([&](pf::PlayerService::Error const& e, std::vector<pf::PlayerService::Category> const&) {
		calls.push_back("categories:" + std::to_string(e.code));
	});
	pf::PlayerService::failNextSignIn(pf::PlayerService::ERROR_CANCELLED, "cancelled");
	service->authenticate(record("signIn"));
	service->authenticate(record("signIn"));
	service->authenticate(record("signIn"));
	pf::runMainThreadQueue();
	EXPECT_EQ((std::vector<std::string>{"score:6", "categories:6", "signIn:2", "signIn:0", "in", "signIn:0"}), calls)
		<< "the failure is for one sign-in; a second sign-in changes nothing";
	EXPECT_EQ("local", service->localPlayer().playerID);
	EXPECT_FALSE(service->localPlayer().alias.empty());

	calls.clear();
	service->reportScore("drift", INT64_MIN, record("score"));
	service->reportScore("nope", 1, record("score"));
	service->reportAchievement("ten", 101, record("achievement"));
	service->signOut();
	service->signOut();
	service->reportAchievement("ten", 50, record("achievement"));
	pf::runMainThreadQueue();
	EXPECT_EQ((std::vector<std::string>{"score:0", "score:1", "achievement:1", "out", "achievement:6"}), calls);
	EXPECT_EQ(INT64_MIN, pf::LocalPlayerFiles::readProgress().scores.at("drift"));

	// Nothing runs for a service that is gone.
	service->authenticate(record("signIn"));
	service = nullptr;
	EXPECT_EQ(2, pf::runMainThreadQueue());
	EXPECT_EQ(5u, calls.size());
}

TEST_F(GameCenterService, DamagedCatalogues)
{
	struct Case
	{
		char const* text;
		char const* message;
	};
	Case const cases[] = {
		{"", "malformed JSON at byte 0"},
		{"[]", "not a JSON object"},
		{R"({"achievements": []})", "has no \"leaderboards\""},
		{R"({"leaderboards": {}, "achievements": []})", "\"leaderboards\" is not an array"},
		{R"({"leaderboards": [{"category": "", "title": "", "order": "high"}], "achievements": []})", "leaderboard 0 has an empty category"},
		{R"({"leaderboards": [{"category": "a", "title": "", "order": "up"}], "achievements": []})", "leaderboard 0 has the unknown order \"up\""},
		{R"({"leaderboards": [], "achievements": [{"id": "a", "title": "", "achievedText": "", "hidden": 1}]})", "achievement 0 \"hidden\" is not a boolean"},
		{R"({"leaderboards": [], "achievements": [7]})", "achievement 0 is not an object"},
	};
	for (Case const& c : cases)
	{
		bundle.write("gamecenter-catalogue.json", c.text);
		try
		{
			pf::LocalPlayerFiles::readCatalogue();
			ADD_FAILURE() << c.text;
		}
		catch (lang::Throwable const& e)
		{
			EXPECT_EQ(bundle / "gamecenter-catalogue.json" + ": " + c.message, e.getMessage().format()) << c.text;
		}
	}
	std::filesystem::remove(bundle / "gamecenter-catalogue.json");
	EXPECT_FALSE(pf::PlayerService::isAvailable());

	int read = 0;
	forEachDamagedCopy(bytes(CATALOGUE), 300, 1234u, [&](std::vector<unsigned char> const& copy) {
		bundle.write("gamecenter-catalogue.json", std::string(copy.begin(), copy.end()));
		try
		{
			pf::LocalPlayerFiles::Catalogue const catalogue = pf::LocalPlayerFiles::readCatalogue();
			EXPECT_LE(catalogue.leaderboards.size(), 2u);
			++read;
		}
		catch (lang::Throwable const& e)
		{
			EXPECT_EQ(0u, e.getMessage().format().find(bundle / "gamecenter-catalogue.json" + ": "));
		}
	});
	EXPECT_GT(read, 0) << "some flips keep the document whole";
}

TEST_F(GameCenterService, DamagedPlayerFiles)
{
	std::string const path = appData / "gamecenter-player.json";
	pf::LocalPlayerFiles::Progress const good = pf::LocalPlayerFiles::readProgress();
	EXPECT_TRUE(good.scores.empty() && good.achievements.empty()) << "no file: no progress";
	appData.write("gamecenter-player.json", PROGRESS);
	pf::LocalPlayerFiles::Progress const progress = pf::LocalPlayerFiles::readProgress();
	EXPECT_EQ(-4, progress.scores.at("time"));
	EXPECT_EQ(12.5, progress.achievements.at("ten"));

	// Each damaged file goes beside the ones set aside before it.
	std::vector<std::string> const bads = {R"({"scores": {"drift": 1.5}})", R"({"achievements": {"ten": 101}})", R"({"scores": []})", "{"};
	for (size_t i = 0; i < bads.size(); ++i)
	{
		std::string const aside = "gamecenter-player.json.bad" + (i == 0 ? std::string() : "-" + std::to_string(i + 1));
		appData.write("gamecenter-player.json", bads[i]);
		testing::internal::CaptureStdout();
		pf::LocalPlayerFiles::Progress const none = pf::LocalPlayerFiles::readProgress();
		std::string const out = testing::internal::GetCapturedStdout();
		EXPECT_TRUE(none.scores.empty() && none.achievements.empty()) << bads[i];
		EXPECT_NE(std::string::npos, out.find("Moved the damaged " + path + " to " + (appData / aside) + ":")) << out;
		EXPECT_FALSE(std::filesystem::exists(path));
		for (size_t j = 0; j <= i; ++j)
			EXPECT_EQ(bads[j], appData.read("gamecenter-player.json.bad" + (j == 0 ? std::string() : "-" + std::to_string(j + 1))));
	}

	forEachDamagedCopy(bytes(PROGRESS), 300, 99u, [&](std::vector<unsigned char> const& copy) {
		std::string const text(copy.begin(), copy.end());
		appData.write("gamecenter-player.json", text);
		testing::internal::CaptureStdout();
		pf::LocalPlayerFiles::Progress const read = pf::LocalPlayerFiles::readProgress();
		std::string const out = testing::internal::GetCapturedStdout();
		// Either read as it is, or moved aside with a line naming it.
		bool const kept = std::filesystem::exists(path);
		EXPECT_EQ(!kept, out.find(path) != std::string::npos) << text;
		EXPECT_TRUE(kept || (read.scores.empty() && read.achievements.empty())) << text;
	});
}

} // namespace

// The local player's files keep scores and progress exactly.
TEST_F(GameCenterService, PlayerFilesKeepNumbersBitForBit)
{
	pf::LocalPlayerFiles::Progress progress;
	std::vector<double> const numbers = test::exactNumbers();
	// Progress lies between 0 and 100.
	for (size_t i = 0; i < numbers.size(); ++i)
		if (numbers[i] >= 0 && numbers[i] <= 100)
			progress.achievements["a" + std::to_string(i)] = numbers[i];
	progress.achievements["almost"] = 99.99999999999999;
	progress.scores["top"] = INT64_C(9007199254740992);
	progress.scores["low"] = -INT64_C(9007199254740992);
	progress.scores["odd"] = INT64_C(123456789012345);
	pf::LocalPlayerFiles::writeProgress(progress);
	pf::LocalPlayerFiles::Progress const back = pf::LocalPlayerFiles::readProgress();
	EXPECT_EQ(progress.scores, back.scores);
	ASSERT_EQ(progress.achievements.size(), back.achievements.size());
	for (auto const& achievement : progress.achievements)
		EXPECT_TRUE(test::sameBits(achievement.second, back.achievements.at(achievement.first))) << achievement.first;
}
