// The sample game's scripts on the game application (fake context).
#include <support/GameAppFixture.h>
#include <io/detail/detail.h>
#include <gtest/gtest.h>

namespace
{

class SampleGame : public test::GameAppFixture
{
protected:
	SampleGame() { io::detail::setBundlePath(ENGINE_DATA_DIR); }

	/** Starts the game, runs frames of 1/60 s and stops; returns what the game printed. */
	std::string play(int frames)
	{
		testing::internal::CaptureStdout();
		start();
		for (int i = 0; i < frames; ++i)
			game->update(1.f / 60.f, context, 3);
		stop();
		return testing::internal::GetCapturedStdout();
	}
};

TEST_F(SampleGame, ReportsEverySecondAndCountsLaunches)
{
	std::string first = play(120);
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: launch 1\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: 3 levels with star limits\n")) << first;
	EXPECT_NE(std::string::npos, first.find("Lantern Drift: 1 s, drifted 1 m, 0 touches\n")) << first;
	EXPECT_EQ(std::string::npos, first.find("could not load")) << first;
	EXPECT_NE(std::string::npos, appData.read("settings.lua").find("launches = 1")) << appData.read("settings.lua");

	std::string second = play(1);
	EXPECT_NE(std::string::npos, second.find("Lantern Drift: launch 2\n")) << second;
	EXPECT_NE(std::string::npos, appData.read("highscores.lua").find("longestDrift = ")) << appData.read("highscores.lua");
}

} // namespace
