// The player's save files: enciphered round trips, the plain-text fallback,
// failed writes and damaged files.
#include <support/DataFiles.h>
#include <support/HostFixture.h>
#include <DataCipher.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace
{

using SaveFile_Host = test::HostFixture;

TEST_F(SaveFile_Host, RoundTripIsEnciphered)
{
	run("settings.volume = 0.5 settings.name = 'p' highscores.level1 = { score = 1200 }\n"
		"plainTable = { a = 1 } saveLuaFile('plain.lua', 'plainTable', false) saveLuaFile('secret.lua', 'plainTable', true)");
	destroyHost();
	std::string const raw = appData.read("settings.lua");
	EXPECT_EQ(std::string::npos, raw.find("volume"));
	EXPECT_EQ(0u, raw.size() % 16);
	EXPECT_NE(std::string::npos, test::readSaveFile(appData, "settings.lua").find("volume = 0.5"));
	EXPECT_EQ("a = 1\n", appData.read("plain.lua"));
	EXPECT_EQ("a = 1\n", test::readSaveFile(appData, "secret.lua"));
	EXPECT_NE("a = 1\n", appData.read("secret.lua"));

	run("ok = settings.volume == 0.5 and settings.name == 'p' and highscores.level1.score == 1200");
	EXPECT_TRUE(host().getBoolean("ok"));
	EXPECT_EQ(1, host().loadPersistentFile("plain.lua").getNumber("a"));
	EXPECT_EQ(1, host().loadPersistentFile("secret.lua").getNumber("a"));
}

TEST_F(SaveFile_Host, PlainTextFallbackReadsBack)
{
	run("settings.launches = 5");
	cipher::setEncryptFailure(true);
	destroyHost();
	cipher::setEncryptFailure(false);
	EXPECT_EQ("launches = 5\n", appData.read("settings.lua"));
	run("ok = settings.launches == 5");
	EXPECT_TRUE(host().getBoolean("ok"));
}

TEST_F(SaveFile_Host, NonTableAndFailedWriteKeepTheOldFile)
{
	run("settings.a = 1 highscores.b = 2");
	destroyHost();
	std::string const settings = appData.read("settings.lua");
	std::string const scores = appData.read("highscores.lua");
	run("settings = 'gone' highscores.b = 3");
	ASSERT_EQ(0, symlink("/dev/full", (appData / "highscores.lua.tmp").c_str()));
	testing::internal::CaptureStdout();
	run("savePersistentLuaFile('settings.lua', 'settings')");
	destroyHost();
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_EQ(settings, appData.read("settings.lua"));
	EXPECT_EQ(scores, appData.read("highscores.lua"));
	EXPECT_NE(std::string::npos, log.find("Failed to save settings.lua: settings is not a table")) << log;
	EXPECT_NE(std::string::npos, log.find("Failed to save highscores.lua: ")) << log;
}

TEST_F(SaveFile_Host, DestructorFilesDependOnTheDevice)
{
	for (char const* model : {"ipad", "osx"})
	{
		std::filesystem::remove_all(appData.path());
		run(std::string("deviceModel = '") + model + "' g_gamePurchasesTable = { coins = 3 }"
			" g_talonPurchasesTable = {} g_episodePurchasesTable = {}");
		destroyHost();
		bool const ipad = std::string(model) == "ipad";
		for (char const* file : {"gamepurchases.lua", "talonpurchases.lua", "episodepurchases.lua"})
			EXPECT_EQ(ipad, std::filesystem::exists(appData / file)) << model << " " << file;
		if (ipad)
		{
			EXPECT_EQ(std::string::npos, appData.read("gamepurchases.lua").find("coins"));
			EXPECT_EQ("coins = 3\n", test::readSaveFile(appData, "gamepurchases.lua"));
		}
		for (char const* file : {"settings.lua", "highscores.lua", "bi_data.lua"})
			EXPECT_TRUE(std::filesystem::exists(appData / file)) << model << " " << file;
	}
}

TEST_F(SaveFile_Host, DamagedOrHugeSavesGiveTables)
{
	std::string const text = "launches = 12\nroot = { name = \"player\", list = { 1, 2, 3 } }\n";
	cipher::Bytes good;
	ASSERT_TRUE(cipher::encrypt(cipher::getVariableKey(), cipher::Bytes(text.begin(), text.end()), good));
	auto load = [&](cipher::Bytes const& bytes) {
		appData.write("bi_data.lua", std::string(bytes.begin(), bytes.end()));
		lua::LuaTable table = host().loadPersistentFile("bi_data.lua");
		EXPECT_TRUE(table.hasReference());
		return table;
	};
	EXPECT_EQ(12, load(good).getNumber("launches"));
	for (size_t n = 0; n < good.size(); ++n)
		load(cipher::Bytes(good.begin(), good.begin() + static_cast<long>(n)));
	std::mt19937 random(107);
	for (int i = 0; i < 300; ++i)
	{
		cipher::Bytes bytes = good;
		bytes[random() % bytes.size()] ^= static_cast<unsigned char>(1 + random() % 255);
		load(bytes);
	}
	// Sparse, so nothing of it is read.
	appData.write("bi_data.lua", "x = 1\n");
	std::filesystem::resize_file(appData / "bi_data.lua", std::uintmax_t(1) << 40);
	EXPECT_EQ(0, host().loadPersistentFile("bi_data.lua").size());
}

} // namespace
