#include "ThrownMessage.h"
#include <support/FilePermissionsApply.h>
#include <support/FileSizeLimit.h>
#include <support/TempFolder.h>
#include <gtest/gtest.h>
#include <io/FileFormat.h>
#include <io/IOException.h>
#include <io/PathName.h>
#include <io/detail/detail.h>
#include <io/std/AppDataInputStream.h>
#include <io/std/AppDataOutputStream.h>
#include <io/std/BundleInputStream.h>
#include <io/std/FileInputStream.h>
#include <io/std/FileOutputStream.h>
#include <io/std/SaveFileOutputStream.h>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using test::TempFolder;

namespace
{

/** The names in folder (files and folders, not recursing). */
std::set<std::string> namesIn(std::string const& folder)
{
	std::set<std::string> names;
	for (auto const& entry : std::filesystem::directory_iterator(folder))
		names.insert(entry.path().filename());
	return names;
}

/** Points both base folders at temporary folders for one test. */
class Folders : public ::testing::Test
{
protected:
	void SetUp() override
	{
		io::detail::setBundlePath(bundle.path());
		io::detail::setAppdataPath(docs.path());
	}

	TempFolder bundle;
	TempFolder docs;
};

} // namespace

TEST(PathName, table)
{
	struct Case
	{
		char const* dir;
		char const* file;
		char const* path;
		char const* folder;
		char const* base;
		char const* suffix;
	};
	const Case cases[] = {
		{"a/./b/../c.png", nullptr, "a/c.png", "a/", "c", ".png"},
		{"../x", nullptr, "../x", "../", "x", ""},
		{"../a/./b", nullptr, "../a/b", "../a/", "b", ""},
		{"a/../../b", nullptr, "../b", "../", "b", ""},
		{"a/b../c", nullptr, "a/b../c", "a/b../", "c", ""},
		{"a/.b/c", nullptr, "a/.b/c", "a/.b/", "c", ""},
		{"/../etc/x.lua", nullptr, "/etc/x.lua", "/etc/", "x", ".lua"},
		{"/a/b/..", nullptr, "/a/", "/a/", "", ""},
		{"x/y/", nullptr, "x/y/", "x/y/", "", ""},
		{"a\\b\\c.tar.gz", nullptr, "a/b/c.tar.gz", "a/b/", "c.tar", ".gz"},
		{"/app", "levels/a.lua", "/app/levels/a.lua", "/app/levels/", "a", ".lua"},
		{"/app/", "/levels/a.lua", "/app/levels/a.lua", "/app/levels/", "a", ".lua"},
		{"", "/x", "/x", "/", "x", ""},
		{"c:\\dir\\..\\f.txt", nullptr, "c:/f.txt", "/", "f", ".txt"},
	};
	for (Case const& c : cases)
	{
		io::PathName p = c.file ? io::PathName(c.dir, c.file) : io::PathName(c.dir);
		SCOPED_TRACE(c.dir);
		EXPECT_EQ(c.path, p.path());
		EXPECT_EQ(c.base, p.basename());
		EXPECT_EQ(c.suffix, p.suffix());
		EXPECT_EQ(c.folder, p.directory());
	}
	EXPECT_EQ("c:", io::PathName("c:/f.txt").drive());
	EXPECT_EQ("x", io::PathName("x/y/").parent().path());
	EXPECT_EQ("/", io::PathName("/a").parent().path());
	EXPECT_EQ("", io::PathName("a").parent().path());
	EXPECT_EQ("c.png", io::PathName("a/c.png").filename());
	std::string longName(1000, 'n');
	EXPECT_EQ(longName + ".png", io::PathName("d/" + longName + ".png").filename());
}

TEST(FileFormat, bySuffix)
{
	const std::pair<char const*, io::FileFormat> cases[] = {
		{"pic.JPEG", io::FILEFORMAT_JPG}, {"pic.jpg", io::FILEFORMAT_JPG}, {"a/b.Png", io::FILEFORMAT_PNG},
		{"x.tiff", io::FILEFORMAT_TIF},   {"s.mp3", io::FILEFORMAT_MP3},   {"archive.tar.gz", io::FILEFORMAT_UNKNOWN},
		{"nodot", io::FILEFORMAT_UNKNOWN}, {"dir.png/file", io::FILEFORMAT_UNKNOWN}, {"x.unknown", io::FILEFORMAT_UNKNOWN},
		{"x.", io::FILEFORMAT_UNKNOWN},   {"r.raw", io::FILEFORMAT_RAW},
	};
	for (auto const& c : cases)
		EXPECT_EQ(c.second, io::guessFileFormat(c.first)) << c.first;
	EXPECT_EQ("TIF", io::toString(io::FILEFORMAT_TIF));
	EXPECT_EQ("JPG", io::toString(io::FILEFORMAT_JPG));
	EXPECT_EQ("UNKNOWN", io::toString(static_cast<io::FileFormat>(99)));
}

TEST_F(Folders, bundleNamesAndFileStream)
{
	std::string data;
	for (int i = 0; i < 100; ++i)
		data += static_cast<char>(i);
	std::filesystem::create_directory(bundle / "levels");
	bundle.write("levels/a.lua", data);

	for (char const* name : {"levels/a.lua", "/levels/a.lua", "levels/./x/../a.lua"})
	{
		io::BundleInputStream in(name);
		EXPECT_EQ(bundle / "levels/a.lua", in.toString());
		char buf[30];
		ASSERT_EQ(30, in.read(buf, 30));
		EXPECT_EQ(70, in.available());
		ASSERT_EQ(1, in.read(buf, 1));
		EXPECT_EQ(30, buf[0]);
		EXPECT_EQ(10, in.skip(10));
		EXPECT_EQ(59, in.available());
		EXPECT_EQ(59, in.skip(1000)); // never past the end
		EXPECT_EQ(0, in.skip(-5));
		EXPECT_EQ(0, in.read(buf, 30));
		EXPECT_TRUE(in.seek(-3, io::InputStream::SEEK_END));
		EXPECT_EQ(3, in.available());
		EXPECT_FALSE(in.seek(500, io::InputStream::SEEK_BEGIN));
		EXPECT_EQ(0, in.available());
		EXPECT_FALSE(in.seek(-500, io::InputStream::SEEK_CURRENT));
		EXPECT_EQ(100, in.available());
	}
	io::detail::setBundlePath(bundle.path() + "/");
	EXPECT_EQ(bundle / "levels/a.lua", io::BundleInputStream("levels/a.lua").toString());

	EXPECT_EQ("Failed to open " + (bundle / "missing.png") + " with errno 2 (No such file or directory)",
	          ioMessage([] { io::BundleInputStream("missing.png"); }));
	std::string deep = "/nowhere/" + std::string(200, 'd') + "/f";
	EXPECT_EQ("Failed to open ... " + deep.substr(deep.size() - 124) + " with errno 2 (No such file or directory)",
	          ioMessage([&] { io::FileInputStream in(deep); }));
	EXPECT_EQ("Failed to open " + (docs / "none") + " with errno 2 (No such file or directory)", ioMessage([] { io::AppDataInputStream("none"); }));
	EXPECT_EQ("Failed to open " + (bundle / "levels") + " with errno 21 (Is a directory)", ioMessage([] { io::BundleInputStream("levels"); }));
}

TEST_F(Folders, appDataSaveReplacesOnlyOnSuccess)
{
	docs.write("save.lua", "old");
	{
		io::AppDataOutputStream out("save.lua");
		EXPECT_EQ(docs / "save.lua", out.toString());
		out.write("new text", 8);
		std::set<std::string> const names = namesIn(docs.path());
		EXPECT_EQ(2u, names.size());
		EXPECT_EQ(1u, std::count_if(names.begin(), names.end(), [](std::string const& n) {
			return n.rfind("save.lua." + std::to_string(getpid()) + "-", 0) == 0 && n.size() > 4 && n.substr(n.size() - 4) == ".tmp";
		})) << *names.rbegin();
		EXPECT_EQ("old", docs.read("save.lua"));
	}
	EXPECT_EQ("new text", docs.read("save.lua"));
	EXPECT_EQ(std::set<std::string>{"save.lua"}, namesIn(docs.path()));

	// Explicit close reports success; reading back through the app-data stream.
	{
		io::AppDataOutputStream out("/second.lua");
		out.write("2", 1);
		out.close();
		out.close();
		EXPECT_EQ("2", docs.read("second.lua"));
		char c;
		io::AppDataInputStream in("second.lua");
		EXPECT_EQ(1, in.read(&c, 1));
	}

	// A full disk: the small write is buffered, so the failure shows at close.
	{
		io::AppDataOutputStream out("save.lua");
		out.write("lost", 4);
		test::FileSizeLimit full(0);
		EXPECT_EQ("Failed to write " + (docs / "save.lua") + " with errno 27 (File too large)", ioMessage([&] { out.close(); }));
	}
	EXPECT_EQ("new text", docs.read("save.lua"));

	// A write that fails at once; the destructor then keeps the old file without throwing.
	{
		test::FileSizeLimit full(0);
		io::AppDataOutputStream out("save.lua");
		std::string big(100000, 'b');
		EXPECT_EQ("Failed to write 100000 bytes to " + (docs / "save.lua"),
		          ioMessage([&] { out.write(big.data(), static_cast<int>(big.size())); }));
	}
	EXPECT_EQ("new text", docs.read("save.lua"));
	EXPECT_EQ((std::set<std::string>{"save.lua", "second.lua"}), namesIn(docs.path()));
}

TEST_F(Folders, appDataFolderIsCreatedAndOpenFailureLeavesNothing)
{
	io::detail::setAppdataPath(docs / "sub/dir");
	{
		io::AppDataOutputStream out("s.lua");
		out.write("x", 1);
	}
	EXPECT_EQ("x", docs.read("sub/dir/s.lua"));

	test::FilePermissionsApply permissions;
	ASSERT_EQ(0, chmod((docs / "sub/dir").c_str(), 0500));
	EXPECT_EQ("Failed to open " + (docs / "sub/dir/blocked") + " for writing, with errno 13 (Permission denied)",
	          ioMessage([] { io::AppDataOutputStream("blocked"); }));
	ASSERT_EQ(0, chmod((docs / "sub/dir").c_str(), 0700));
	EXPECT_EQ(std::set<std::string>{"s.lua"}, namesIn(docs / "sub/dir"));
}

// A temporary name a killed process left behind (the same process id, the
// same number) is passed over, not written into nor removed.
TEST_F(Folders, saveStreamsNeverShareATemporaryFile)
{
	for (int i = 0; i < 50; ++i)
		docs.write("s.lua." + std::to_string(getpid()) + "-" + std::to_string(i) + ".tmp", "left");
	std::vector<std::unique_ptr<io::AppDataOutputStream>> open;
	for (int i = 0; i < 3; ++i)
	{
		open.push_back(std::make_unique<io::AppDataOutputStream>("s.lua"));
		std::string const text(1000, static_cast<char>('a' + i));
		open.back()->write(text.data(), static_cast<int>(text.size()));
	}
	for (auto& out : open)
		out->close();
	EXPECT_EQ(std::string(1000, 'c'), docs.read("s.lua"));
	EXPECT_EQ(51u, namesIn(docs.path()).size());
	EXPECT_EQ("left", docs.read("s.lua." + std::to_string(getpid()) + "-0.tmp"));
}

TEST(SaveFileOutputStream, savesByFullPathOnlyOnSuccess)
{
	TempFolder dir;
	dir.write("f.json", "old");
	{
		io::SaveFileOutputStream out(dir / "./f.json");
		EXPECT_EQ(dir / "f.json", out.toString());
		out.write("new", 3);
		EXPECT_EQ("old", dir.read("f.json"));
		out.close();
	}
	EXPECT_EQ("new", dir.read("f.json"));
	EXPECT_EQ(std::set<std::string>{"f.json"}, namesIn(dir.path()));

	{
		io::SaveFileOutputStream out(dir / "f.json");
		out.write("lost", 4);
		test::FileSizeLimit full(0);
		EXPECT_EQ("Failed to write " + (dir / "f.json") + " with errno 27 (File too large)", ioMessage([&] { out.close(); }));
	}
	EXPECT_EQ("new", dir.read("f.json"));
	EXPECT_EQ(std::set<std::string>{"f.json"}, namesIn(dir.path()));
	// The folder is not created.
	EXPECT_EQ("Failed to open " + (dir / "no/f") + " for writing, with errno 2 (No such file or directory)",
	          ioMessage([&] { io::SaveFileOutputStream(dir / "no/f"); }));
}

TEST(FileOutputStream, writesAndReportsFailures)
{
	TempFolder dir;
	{
		io::FileOutputStream out(dir / "a/../f.bin");
		EXPECT_EQ(dir / "f.bin", out.toString());
		out.write("abc", 3);
	}
	EXPECT_EQ("abc", dir.read("f.bin"));
	EXPECT_EQ("Failed to open " + (dir / "no/f") + " for writing with errno 2 (No such file or directory)",
	          ioMessage([&] { io::FileOutputStream(dir / "no/f"); }));
	io::FileOutputStream full("/dev/full");
	full.write("x", 1);
	EXPECT_EQ("Failed to close /dev/full with errno 28 (No space left on device)", ioMessage([&] { full.close(); }));
	EXPECT_EQ("Failed to write 1 bytes to /dev/full", ioMessage([&] { full.write("x", 1); }));
}

TEST(BaseFolders, defaults)
{
	// Defaults apply only until set; check them in a child so the process's settings stay.
	std::string exeDir = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
	ASSERT_EQ(0, setenv("XDG_DATA_HOME", "/xdg", 1));
	ASSERT_EQ(0, setenv("XDG_CACHE_HOME", "/cache", 1));
	ASSERT_EQ(0, setenv("ENGINE_DATA_PATH", "/data/root", 1));
	EXPECT_EXIT(
		{
			io::detail::setBundlePath("");
			io::detail::setAppdataPath("");
			io::detail::setApplicationName("game");
			bool ok = io::detail::bundlePath() == "/data/root" && io::detail::appdataPath() == "/xdg/game" &&
			          io::detail::cachesPath() == "/cache/game";
			unsetenv("ENGINE_DATA_PATH");
			unsetenv("XDG_DATA_HOME");
			unsetenv("XDG_CACHE_HOME");
			setenv("HOME", "/home/u", 1);
			ok = ok && io::detail::bundlePath() == exeDir && io::detail::appdataPath() == "/home/u/.local/share/game" &&
			     io::detail::cachesPath() == "/home/u/.cache/game";
			exit(ok ? 0 : 1);
		},
		::testing::ExitedWithCode(0), "");
	unsetenv("XDG_DATA_HOME");
	unsetenv("XDG_CACHE_HOME");
	unsetenv("ENGINE_DATA_PATH");
}
