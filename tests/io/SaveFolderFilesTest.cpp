// The files of a save folder as a player's machine may hold them: at a
// save's name or a lock's name a FIFO, a device, a socket, a folder, or a
// link to any of these, to nothing or to a file outside the folder. Nothing
// blocks, nothing leads out of the folder, and what is there is set aside
// under its own name rather than replaced.
#include "ThrownMessage.h"
#include <support/HostileFiles.h>
#include <support/TempFolder.h>
#include <support/WithinSeconds.h>
#include <io/detail/detail.h>
#include <io/std/AppDataOutputStream.h>
#include <io/std/FileInputStream.h>
#include <io/std/FileLock.h>
#include <io/std/RegularFile.h>
#include <io/std/SaveFileOutputStream.h>
#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <gtest/gtest.h>

namespace
{

/** Seconds any one open may take; a blocking one would take for ever. */
double const s_bound = 10;

/** What io::notRegularKind says of kind. */
std::string kindText(test::Hostile kind)
{
	switch (test::hostileType(kind))
	{
	case S_IFIFO: return "a FIFO";
	case S_IFCHR: return "a character device";
	case S_IFSOCK: return "a socket";
	case S_IFDIR: return "a folder";
	default: return "a link";
	}
}

/** A save folder and a folder outside it, with kind at "save.lua" in the save folder. */
struct Row
{
	test::TempFolder folder;
	std::string saves;
	std::string outside;
	std::string path;
	bool made = false;

	Row(test::Hostile kind, std::string const& name = "save.lua")
	{
		saves = folder / "saves";
		outside = folder / "outside";
		std::filesystem::create_directories(saves);
		std::filesystem::create_directories(outside);
		path = saves + "/" + name;
		made = test::makeHostile(kind, path, outside);
	}

	/** The names in the outside folder, as made. */
	std::vector<std::string> outsideNames() const
	{
		std::vector<std::string> names;
		for (auto const& entry : std::filesystem::directory_iterator(outside))
			names.push_back(entry.path().filename());
		std::sort(names.begin(), names.end());
		return names;
	}
};

} // namespace

// Reading: the stream of a save refuses at once what is not a regular file,
// and says what it is.
TEST(SaveFolderFiles, ReadingOpensOnlyARegularFile)
{
	for (test::Hostile kind : test::hostileKinds())
	{
		SCOPED_TRACE(test::describe(kind));
		Row row(kind);
		if (!row.made)
			continue;
		std::string thrown;
		test::withinSeconds(s_bound, std::string("reading a ") + test::describe(kind), [&] {
			thrown = ioMessage([&] { io::FileInputStream(row.path, io::FileInputStream::REGULAR_FILE_ONLY); });
		});
		EXPECT_EQ("Failed to open " + row.path + ": it is " + kindText(kind) + ", not a regular file", thrown);
		EXPECT_EQ(kindText(kind), io::notRegularKind(row.path));
	}
	test::TempFolder folder;
	folder.write("save.lua", "x = 1");
	EXPECT_EQ("", io::notRegularKind(folder / "save.lua"));
	EXPECT_EQ("", io::notRegularKind(folder / "missing.lua"));
	EXPECT_EQ("Failed to open " + (folder / "missing.lua") + " with errno 2 (No such file or directory)",
		ioMessage([&] { io::FileInputStream(folder / "missing.lua", io::FileInputStream::REGULAR_FILE_ONLY); }));
	char byte = 0;
	io::FileInputStream in(folder / "save.lua", io::FileInputStream::REGULAR_FILE_ONLY);
	EXPECT_EQ(1, in.read(&byte, 1));
	EXPECT_EQ('x', byte);
}

// Saving: the new file replaces only a regular file; anything else is moved
// to "<name>.bad" as it is (a link stays a link, its target untouched), and
// nothing is written through a link.
TEST(SaveFolderFiles, SavingSetsAsideWhatIsNotARegularFile)
{
	for (test::Hostile kind : test::hostileKinds())
	{
		SCOPED_TRACE(test::describe(kind));
		Row row(kind);
		if (!row.made)
			continue;
		std::vector<std::string> const before = row.outsideNames();
		std::string const outsideFile = row.outside + "/save.lua-target";
		std::string const outsideText = kind == test::Hostile::LinkToFile ? row.folder.read("outside/save.lua-target") : "";
		std::string thrown;
		test::withinSeconds(s_bound, std::string("saving over a ") + test::describe(kind), [&] {
			thrown = ioMessage([&] {
				io::SaveFileOutputStream out(row.path);
				out.write("y = 2", 5);
				out.close();
			});
		});
		EXPECT_EQ("no exception", thrown);
		EXPECT_EQ(S_IFREG, test::fileType(row.path));
		EXPECT_EQ("y = 2", row.folder.read("saves/save.lua"));
		EXPECT_EQ(test::hostileType(kind), test::fileType(row.path + ".bad"));
		EXPECT_EQ(before, row.outsideNames());
		if (kind == test::Hostile::LinkToFile)
			EXPECT_EQ(outsideText, row.folder.read("outside/save.lua-target"));
	}
}

// Locking: a lock file is only ever a regular file of the folder. A link
// at the lock's name is not followed (a dangling one does not make its
// target), and settingAside puts any broken lock name aside and locks a
// fresh file, which a second lock then finds held.
TEST(SaveFolderFiles, ALockNameThatIsNotARegularFileIsSetAsideAndLocked)
{
	for (test::Hostile kind : test::hostileKinds())
	{
		SCOPED_TRACE(test::describe(kind));
		Row row(kind, ".game.lock");
		if (!row.made)
			continue;
		std::vector<std::string> const before = row.outsideNames();
		std::string thrown;
		test::withinSeconds(s_bound, std::string("locking a ") + test::describe(kind), [&] {
			thrown = ioMessage([&] { io::FileLock(row.path, io::FileLock::DONT_WAIT); });
		});
		EXPECT_EQ("Failed to lock " + row.path + ": it is " + kindText(kind) + ", not a regular file", thrown);
		std::unique_ptr<io::FileLock> lock;
		test::withinSeconds(s_bound, std::string("setting aside a ") + test::describe(kind), [&] {
			thrown = ioMessage([&] { lock = io::FileLock::settingAside(row.path, io::FileLock::DONT_WAIT); });
		});
		EXPECT_EQ("no exception", thrown);
		ASSERT_TRUE(lock && lock->held());
		EXPECT_EQ(S_IFREG, test::fileType(row.path));
		EXPECT_EQ(test::hostileType(kind), test::fileType(row.path + ".bad"));
		EXPECT_FALSE(io::FileLock(row.path, io::FileLock::DONT_WAIT).held());
		EXPECT_EQ(before, row.outsideNames());
	}
}

// A lock whose file is replaced while it is taken (another process set a
// broken name aside and made a fresh file) is taken on the file now there,
// so two holders never hold two different files of one name.
TEST(SaveFolderFiles, ALockFileReplacedUnderneathIsNotHeld)
{
	test::TempFolder folder;
	std::string const path = folder / ".game.lock";
	io::FileLock first(path, io::FileLock::DONT_WAIT);
	ASSERT_TRUE(first.held());
	ASSERT_EQ(0, std::rename(path.c_str(), (path + ".bad").c_str()));
	io::FileLock second(path, io::FileLock::DONT_WAIT);
	EXPECT_TRUE(second.held());
	EXPECT_FALSE(io::FileLock(path, io::FileLock::DONT_WAIT).held());
}

// The clean-up of a save's leftovers removes only the temporary files its
// own writer names for that save: not a player's file that looks alike, not
// another save's, not a link (nor what it points to), not one this process
// is writing, and, in a folder other processes write to, not one of a
// process that still runs.
TEST(SaveFolderFiles, LeftoversOfASaveAreItsOwnTemporaryFilesOnly)
{
	test::TempFolder folder;
	folder.write("outside/target", "kept");
	std::string const self = std::to_string(getpid());
	std::string const dead = "999999999";
	struct Case
	{
		std::string name;
		bool removed;
	};
	std::vector<Case> const cases = {
		{"save.lua." + dead + "-0.tmp", true},
		{"save.lua." + dead + "-12.tmp", true},
		{"save.lua.1-0.tmp", false},
		{"notes.2024-01.tmp", false},
		{"save.2024-01.tmp", false},
		{"save.lua.2024-01.tmp.bak", false},
		{"save.lua.-1.tmp", false},
		{"save.lua.1-.tmp", false},
		{"save.lua.x1-2.tmp", false},
		{"save.lua.1234567890-1.tmp", false},
		{"other.lua." + dead + "-0.tmp", false},
		{"xsave.lua." + dead + "-0.tmp", false},
		{"save.lua", false},
		{"save.lua.bad", false},
	};
	for (Case const& c : cases)
		folder.write("saves/" + c.name, "player's");
	std::string const link = folder / ("saves/save.lua." + dead + "-7.tmp");
	ASSERT_EQ(0, symlink((folder / "outside/target").c_str(), link.c_str()));
	ASSERT_EQ(0, mkdir((folder / ("saves/save.lua." + dead + "-8.tmp")).c_str(), 0755));

	// Pid 1 runs: its file stays where others write, goes where only this process does.
	EXPECT_EQ(2, io::SaveFileOutputStream::removeLeftovers(folder / "saves/save.lua", io::SaveFileOutputStream::SHARED));
	for (Case const& c : cases)
		EXPECT_EQ(!c.removed, std::filesystem::exists(folder / ("saves/" + c.name))) << c.name;
	EXPECT_EQ(S_IFLNK, test::fileType(link));
	EXPECT_EQ("kept", folder.read("outside/target"));
	EXPECT_EQ(S_IFDIR, test::fileType(folder / ("saves/save.lua." + dead + "-8.tmp")));
	EXPECT_EQ(1, io::SaveFileOutputStream::removeLeftovers(folder / "saves/save.lua", io::SaveFileOutputStream::THIS_PROCESS));
	EXPECT_FALSE(std::filesystem::exists(folder / "saves/save.lua.1-0.tmp"));

	// A save of this process under way keeps its file; a finished one leaves none.
	io::SaveFileOutputStream out(folder / "saves/save.lua");
	out.write("z", 1);
	int temporaries = 0;
	for (auto const& entry : std::filesystem::directory_iterator(folder / "saves"))
		temporaries += entry.path().filename().string().rfind("save.lua." + self + "-", 0) == 0;
	EXPECT_EQ(1, temporaries);
	EXPECT_EQ(0, io::SaveFileOutputStream::removeLeftovers(folder / "saves/save.lua", io::SaveFileOutputStream::THIS_PROCESS));
	out.close();
	EXPECT_EQ("z", folder.read("saves/save.lua"));
}

// Once the app-data writes stopped, no file of the folder is written and
// each attempt says why; the files keep what they held.
TEST(SaveFolderFiles, StoppedWritesKeepEveryFile)
{
	test::TempFolder folder;
	io::detail::setAppdataPath(folder / "saves");
	folder.write("saves/save.lua", "old");
	io::AppDataOutputStream::stopWrites("Stopped for the test");
	io::AppDataOutputStream::stopWrites("A second reason is not taken");
	EXPECT_EQ("Stopped for the test", io::AppDataOutputStream::writesStopped());
	EXPECT_EQ((folder / "saves/save.lua") + " is not written: Stopped for the test",
		ioMessage([&] { io::AppDataOutputStream out("save.lua"); }));
	EXPECT_EQ("old", folder.read("saves/save.lua"));
	io::AppDataOutputStream::resumeWrites();
	{
		io::AppDataOutputStream out("save.lua");
		out.write("new", 3);
		out.close();
	}
	EXPECT_EQ("new", folder.read("saves/save.lua"));
	io::detail::setAppdataPath("");
}
