#pragma once

#include <support/TempFolder.h>
#include <TallyAnalytics.h>
#include <TallySession.h>
#include <TallyThreads.h>
#include <gtest/gtest.h>
#include <linux/TallyPlatform.h>
#include <chrono>

namespace test
{

/**
 * Keeps the analytics agent of a test that starts it (the game application
 * does) inside a temporary folder: its library, caches and the user's shared
 * data folder are below folder. On destruction waits for the agent's
 * threads, forgets its start and current session and gives the folders back
 * to the system. Create it before and destroy it after the application.
 * Main thread only.
 */
class TallyFolders
{
public:
	explicit TallyFolders(TempFolder const& folder)
	{
		TallyPlatform::Values v;
		v.libraryPath = folder / "tally-library";
		v.cachesPath = folder / "tally-caches";
		v.userDataPath = folder / "tally-share";
		TallyPlatform::set(v);
		TallyAnalytics::reset();
		TallySession::setCurrentSession(nullptr);
	}

	~TallyFolders()
	{
		EXPECT_TRUE(TallyThreads::waitUntilIdle(std::chrono::seconds(30)));
		TallyAnalytics::reset();
		TallySession::setCurrentSession(nullptr);
		TallyPlatform::set(TallyPlatform::Values());
	}

	TallyFolders(TallyFolders const&) = delete;
	TallyFolders& operator=(TallyFolders const&) = delete;
};

} // namespace test
