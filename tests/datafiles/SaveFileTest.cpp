// The player's save files: enciphered round trips, the plain-text fallback,
// failed writes and damaged files, which are set aside and never written over.
#include <support/DataFiles.h>
#include <support/FilePermissionsApply.h>
#include <support/HostFixture.h>
#include <DataCipher.h>
#include <host/SaveTables.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/stat.h>
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
	EXPECT_EQ(1, host().saveTables().loadPersistentFile("plain.lua").getNumber("a"));
	EXPECT_EQ(1, host().saveTables().loadPersistentFile("secret.lua").getNumber("a"));
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
	testing::internal::CaptureStdout();
	{
		// No new file can be made in the folder.
		test::FilePermissionsApply permissions;
		ASSERT_EQ(0, chmod(appData.path().c_str(), 0500));
		run("savePersistentLuaFile('settings.lua', 'settings')");
		destroyHost();
		ASSERT_EQ(0, chmod(appData.path().c_str(), 0700));
	}
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
		lua::LuaTable table = host().saveTables().loadPersistentFile("bi_data.lua");
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
	EXPECT_EQ(0, host().saveTables().loadPersistentFile("bi_data.lua").size());
}

/** A save the host reads at start, and the host-table entry it saves from. */
struct SaveSlot
{
	char const* file;
	char const* table;
};

SaveSlot const SAVE_SLOTS[] = {
	{"highscores.lua", "highscores"},
	{"settings.lua", "settings"},
	{"bi_data.lua", "bi_data"},
	{"gamepurchases.lua", "g_gamePurchasesTable"},
	{"talonpurchases.lua", "g_talonPurchasesTable"},
	{"episodepurchases.lua", "g_episodePurchasesTable"},
};

std::string enciphered(std::string const& text)
{
	cipher::Bytes bytes;
	EXPECT_TRUE(cipher::encrypt(cipher::getVariableKey(), cipher::Bytes(text.begin(), text.end()), bytes));
	return std::string(bytes.begin(), bytes.end());
}

/** Lines of log that contain every one of parts. */
int linesWith(std::string const& log, std::vector<std::string> const& parts)
{
	int count = 0;
	size_t start = 0;
	while (start < log.size())
	{
		size_t end = log.find('\n', start);
		if (end == std::string::npos)
			end = log.size();
		std::string const line = log.substr(start, end - start);
		bool all = true;
		for (std::string const& part : parts)
			all = all && line.find(part) != std::string::npos;
		count += all ? 1 : 0;
		start = end + 1;
	}
	return count;
}

class SaveFile_Damaged : public test::HostFixture
{
protected:
	/** Makes the host as a start does (the purchase files too), file permissions holding; returns what it logged. */
	std::string start()
	{
		testing::internal::CaptureStdout();
		{
			test::FilePermissionsApply permissions;
			run("deviceModel = 'ipad'");
			host().saveTables().loadPurchases();
		}
		return testing::internal::GetCapturedStdout();
	}
};

// Each way a save can be there and still unusable, for each save the host
// reads at start: the file is moved aside whole with one line naming it and
// why, the run goes on with an empty table and saves afresh, and a file set
// aside before is never replaced.
TEST_F(SaveFile_Damaged, UnusableSavesAreSetAsideNotWrittenOver)
{
	std::string const good = enciphered("score = 4000\nlist = { 1, 2, 3 }\n");
	struct Cause
	{
		char const* name;
		/** Puts the damaged save at path; returns its bytes when they are worth comparing. */
		std::function<std::string(std::string const& path)> make;
		/** Part of the logged reason. */
		char const* why;
	};
	std::vector<Cause> const causes = {
		{"no permission to read it",
		 [&](std::string const& path) -> std::string {
			 appData.write(std::filesystem::path(path).filename(), good);
			 chmod(path.c_str(), 0);
			 return good;
		 },
		 "Permission denied"},
		{"it cannot be read (a folder)",
		 [&](std::string const& path) -> std::string {
			 std::filesystem::create_directories(std::filesystem::path(path) / "inside");
			 return std::string();
		 },
		 "it is a folder, not a regular file"},
		{"over the 64 MiB cap",
		 [&](std::string const& path) -> std::string {
			 appData.write(std::filesystem::path(path).filename(), good);
			 std::filesystem::resize_file(path, (std::uintmax_t(64) << 20) + 1);
			 return std::string();
		 },
		 "larger than 64 MiB"},
		{"does not decipher",
		 [&](std::string const& path) -> std::string {
			 std::string const bytes("\x01\x9c\xff = 7 \x80", 10);
			 appData.write(std::filesystem::path(path).filename(), bytes);
			 return bytes;
		 },
		 "it does not decipher, and as plain text: Error while compiling Lua"},
		{"its table text fails",
		 [&](std::string const& path) -> std::string {
			 std::string const bytes = enciphered("score = = 4000\n");
			 appData.write(std::filesystem::path(path).filename(), bytes);
			 return bytes;
		 },
		 "Error while compiling Lua"},
	};
	for (Cause const& cause : causes)
	{
		for (SaveSlot const& slot : SAVE_SLOTS)
		{
			SCOPED_TRACE(std::string(cause.name) + ", " + slot.file);
			std::filesystem::remove_all(appData.path());
			std::filesystem::create_directories(appData.path());
			std::string const path = appData / slot.file;
			// Twice: the second damaged file goes beside the first, which stays as it was.
			for (std::string const& bad : {path + ".bad", path + ".bad-2"})
			{
				std::string const damaged = cause.make(path);
				std::string const log = start();
				EXPECT_EQ(1, linesWith(log, {"Moved the damaged " + path + " to " + bad + ": ", cause.why})) << log;
				// Beside the lines every exception logs as it is made.
				EXPECT_EQ(1, linesWith(log, {path}) - linesWith(log, {"Created Throwable(", path})) << log;
				EXPECT_EQ(0, host().getTable(slot.table).size());
				ASSERT_TRUE(std::filesystem::exists(bad));
				chmod(bad.c_str(), 0644);
				if (!damaged.empty())
				{
					EXPECT_EQ(damaged, appData.read(std::filesystem::path(bad).filename())) << "the damaged file is kept whole";
				}
				run(std::string(slot.table) + ".marker = 1");
				destroyHost();
				EXPECT_EQ("marker = 1\n", test::readSaveFile(appData, slot.file)) << "saves go on afterwards";
				std::filesystem::remove(path);
			}
			if (std::string(cause.name) == "no permission to read it")
			{
				EXPECT_EQ(good, appData.read(std::string(slot.file) + ".bad")) << "the earlier good save survives";
			}
		}
	}
}

// The saves are read at start in one order (the game's tables, then the
// purchase tables) and written at close with the game's tables reversed:
// what a damaged or failing save logs comes in that order.
TEST_F(SaveFile_Damaged, SavesAreReadAndWrittenInTheirOrder)
{
	for (SaveSlot const& slot : SAVE_SLOTS)
		appData.write(slot.file, enciphered("x = = 1\n"));
	std::string const startLog = start();
	size_t at = 0;
	for (SaveSlot const& slot : SAVE_SLOTS)
	{
		size_t const found = startLog.find("Moved the damaged " + (appData / slot.file), at);
		ASSERT_NE(std::string::npos, found) << slot.file << " read out of order:\n" << startLog;
		at = found;
	}

	std::string tables;
	for (SaveSlot const& slot : SAVE_SLOTS)
		tables += std::string(slot.table) + " = 1 ";
	run(tables);
	testing::internal::CaptureStdout();
	destroyHost();
	std::string const log = testing::internal::GetCapturedStdout();
	char const* const written[] = {"bi_data", "settings", "highscores", "g_gamePurchasesTable", "g_talonPurchasesTable",
		"g_episodePurchasesTable"};
	at = 0;
	for (char const* table : written)
	{
		size_t const found = log.find(std::string(": ") + table + " is not a table", at);
		ASSERT_NE(std::string::npos, found) << table << " written out of order:\n" << log;
		at = found;
	}
}

// A damaged save that cannot be moved aside (its folder is read-only at
// start) stays as it is for the whole run, though the folder is writable
// again when the host saves; the other saves are written as usual.
TEST_F(SaveFile_Damaged, SaveThatCannotBeMovedIsNotWrittenOver)
{
	std::string const damaged = enciphered("score = = 4000\n");
	appData.write("highscores.lua", damaged);
	// The lock file is there from an earlier run: the game holds the folder
	// (one that cannot lock it writes no save at all).
	appData.write(".game.lock", "");
	chmod(appData.path().c_str(), 0555);
	std::string const startLog = start();
	chmod(appData.path().c_str(), 0755);
	std::string const path = appData / "highscores.lua";
	EXPECT_EQ(1, linesWith(startLog, {"Could not move the damaged " + path + " aside (Permission denied)", "Error while compiling Lua"})) << startLog;
	run("highscores.level1 = 10 settings.volume = 1");
	testing::internal::CaptureStdout();
	destroyHost();
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_EQ(damaged, appData.read("highscores.lua"));
	EXPECT_FALSE(std::filesystem::exists(path + ".bad"));
	EXPECT_EQ(1, linesWith(log, {"Failed to save highscores.lua: " + path + " was not moved aside; it is not written over"})) << log;
	EXPECT_EQ("volume = 1\n", test::readSaveFile(appData, "settings.lua"));
}

} // namespace
