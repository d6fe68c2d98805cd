#include "ThrownMessage.h"
#include <support/FilePermissionsApply.h>
#include <support/TempFolder.h>
#include <io/std/FileLock.h>
#include <io/std/SaveFileOutputStream.h>
#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>
#include <sys/stat.h>
#include <gtest/gtest.h>

using test::TempFolder;

namespace
{

std::string readAll(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

// flock belongs to the open file description: two locks on one path exclude
// each other also within one process.
TEST(FileLock, OneHolderAtATimeAndAFailureNamesTheFile)
{
	TempFolder dir;
	std::string const path = dir / "store.lock";
	{
		io::FileLock first(path, io::FileLock::WAIT);
		EXPECT_TRUE(first.held());
		io::FileLock second(path, io::FileLock::DONT_WAIT);
		EXPECT_FALSE(second.held());
	}
	io::FileLock again(path, io::FileLock::DONT_WAIT);
	EXPECT_TRUE(again.held());

	test::FilePermissionsApply permissions;
	ASSERT_EQ(0, chmod(dir.path().c_str(), 0500));
	EXPECT_EQ("Failed to lock " + (dir / "other.lock") + " with errno 13 (Permission denied)",
	          ioMessage([&] { io::FileLock(dir / "other.lock", io::FileLock::WAIT); }));
	ASSERT_EQ(0, chmod(dir.path().c_str(), 0700));
}

// Writers each with a lock of their own (as separate processes have) adding
// to one file by read-modify-write, while a reader looks at it all the
// time: no addition is lost, and no read sees a torn file.
TEST(FileLock, ReadModifyWritesUnderTheLockLoseNothingAndSavesAreNeverTorn)
{
	TempFolder dir;
	std::string const path = dir / "count.txt";
	std::string const lockPath = dir / "count.lock";
	int const writers = 4;
	int const additions = 150;
	std::atomic<bool> done(false);
	std::atomic<int> torn(0);
	std::thread reader([&] {
		while (!done)
		{
			std::string const text = readAll(path);
			// A whole version is its count, a line of that many dots, and an end mark.
			if (text.empty())
				continue;
			size_t const space = text.find(' ');
			int const count = space == std::string::npos ? -1 : std::atoi(text.c_str());
			if (count < 0 || text.size() != space + 1 + static_cast<size_t>(count) + 4 || text.compare(text.size() - 4, 4, " end") != 0)
				++torn;
		}
	});
	std::vector<std::thread> threads;
	for (int w = 0; w < writers; ++w)
		threads.emplace_back([&] {
			for (int i = 0; i < additions; ++i)
			{
				io::FileLock lock(lockPath, io::FileLock::WAIT);
				std::string const text = readAll(path);
				int const count = text.empty() ? 0 : std::atoi(text.c_str());
				std::string const next = std::to_string(count + 1) + " " + std::string(static_cast<size_t>(count + 1), '.') + " end";
				io::SaveFileOutputStream out(path);
				out.write(next.data(), static_cast<int>(next.size()));
				out.close();
			}
		});
	for (std::thread& t : threads)
		t.join();
	done = true;
	reader.join();
	EXPECT_EQ(writers * additions, std::atoi(readAll(path).c_str()));
	EXPECT_EQ(0, torn.load());
}
