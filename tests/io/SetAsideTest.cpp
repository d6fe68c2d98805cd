// Moving a damaged file aside: never over one set aside before.
#include <support/TempFolder.h>
#include <io/std/SetAside.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

TEST(SetAside, TakesTheFirstFreeNameAndKeepsEveryEarlierOne)
{
	struct Case
	{
		std::vector<std::string> present;
		std::string expected;
	};
	Case const cases[] = {
		{{}, "save.lua.bad"},
		{{"save.lua.bad"}, "save.lua.bad-2"},
		{{"save.lua.bad", "save.lua.bad-2", "save.lua.bad-3"}, "save.lua.bad-4"},
		{{"save.lua.bad-2"}, "save.lua.bad"},
		{{"save.lua.bad/"}, "save.lua.bad-2"}, // a folder of that name is kept too
	};
	for (Case const& c : cases)
	{
		test::TempFolder folder;
		for (std::string const& name : c.present)
		{
			if (name.back() == '/')
				std::filesystem::create_directories(folder / name);
			else
				folder.write(name, "earlier " + name);
		}
		folder.write("save.lua", "damaged");
		testing::internal::CaptureStdout();
		std::string const moved = io::setAside(folder / "save.lua", "it does not parse");
		std::string const log = testing::internal::GetCapturedStdout();
		EXPECT_EQ(folder / c.expected, moved);
		EXPECT_EQ("damaged", folder.read(c.expected));
		EXPECT_FALSE(std::filesystem::exists(folder / "save.lua"));
		EXPECT_EQ("Moved the damaged " + (folder / "save.lua") + " to " + moved + ": it does not parse\n", log);
		for (std::string const& name : c.present)
		{
			if (name.back() != '/')
			{
				EXPECT_EQ("earlier " + name, folder.read(name));
			}
		}
	}
}

TEST(SetAside, FailureLeavesTheFileAndSaysWhy)
{
	test::TempFolder folder;
	testing::internal::CaptureStdout();
	EXPECT_EQ("", io::setAside(folder / "none.lua", "gone"));
	EXPECT_EQ("Could not move the damaged " + (folder / "none.lua") + " aside (No such file or directory): gone\n",
		testing::internal::GetCapturedStdout());

	folder.write("save.lua", "damaged");
	folder.write("save.lua.bad", "1");
	for (int n = 2; n <= io::MAX_SET_ASIDE_COPIES; ++n)
		folder.write("save.lua.bad-" + std::to_string(n), std::to_string(n));
	testing::internal::CaptureStdout();
	EXPECT_EQ("", io::setAside(folder / "save.lua", "full"));
	EXPECT_EQ("Could not move the damaged " + (folder / "save.lua") + " aside (every name up to .bad-1000 is taken): full\n",
		testing::internal::GetCapturedStdout());
	EXPECT_EQ("damaged", folder.read("save.lua"));
	EXPECT_EQ("1000", folder.read("save.lua.bad-1000"));
}

} // namespace
