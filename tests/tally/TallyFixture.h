#pragma once

#include <support/TempFolder.h>
#include <TallyAdParsers.h>
#include <TallyAdStateCallbacks.h>
#include <TallyAutoIncrement.h>
#include <TallyDeviceIds.h>
#include <TallyFilePaths.h>
#include <TallyLog.h>
#include <TallySession.h>
#include <TallySessionFiles.h>
#include <TallyTransport.h>
#include <TallyUtil.h>
#include <gtest/gtest.h>
#include <linux/TallyPlatform.h>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

/** 2012-06-15 12:00:00 UTC in microseconds. */
constexpr int64_t TEST_EPOCH = 1339761600LL * 1000000;

/**
 * The agent's platform values for a test: the clock, every folder in
 * folder, system version 6.1.0 (files in Library/TallyFiles), fixed device,
 * locale, time zone and bundle version.
 */
inline TallyPlatform::Values tallyTestValues(test::TempFolder const& folder, std::function<TallyDate()> clock)
{
	TallyPlatform::Values v;
	v.clock = std::move(clock);
	v.libraryPath = folder / "Library";
	v.cachesPath = folder / "Caches";
	v.userDataPath = folder / "share";
	v.systemVersion = "6.1.0-18-amd64";
	v.devicePlatform = "TestBoard";
	v.localeIdentifier = "de_DE";
	v.timeZoneName = "Europe/Berlin";
	v.bundleVersion = "1.2";
	return v;
}

/**
 * The agent on a test clock, with its folders (the user's shared data
 * folder too) in a temporary folder, the
 * system version 6.1.0 (files in Library/TallyFiles), TZ at UTC, debug
 * lines captured, and no current session.
 */
class TallyTest : public ::testing::Test
{
protected:
	static inline std::atomic<int64_t> s_now{TEST_EPOCH};

	void SetUp() override
	{
		setenv("TZ", "UTC", 1);
		tzset();
		s_now = TEST_EPOCH;
		TallyPlatform::set(values());
		TallySession::setCurrentSession(nullptr);
		TallySession::setMaxSessions(50);
		TallyAutoIncrement::instance()->resetAll();
		TallyUtil::setDebugLogEnabled(true);
		TallyUtil::setShowErrorInLogEnabled(false);
		setTallyLogSink([this](std::string const& line) {
			std::lock_guard<std::mutex> lock(m_linesMutex);
			m_lines.push_back(line);
		});
		TallySession::createActiveTallySession("KEY");
	}

	void TearDown() override
	{
		TallySession::setCurrentSession(nullptr);
		setTallyLogSink(nullptr);
		TallyUtil::setDebugLogEnabled(false);
		TallyPlatform::set(TallyPlatform::Values());
	}

	/** The platform values of the test. */
	TallyPlatform::Values values()
	{
		return tallyTestValues(m_folder, [] { return s_now.load(); });
	}

	static void advance(int64_t micros) { s_now += micros; }

	/** Whether a captured line contains text. */
	bool logged(std::string const& text)
	{
		std::lock_guard<std::mutex> lock(m_linesMutex);
		for (std::string const& line : m_lines)
			if (line.find(text) != std::string::npos)
				return true;
		return false;
	}

	lang::Ptr<TallySession> current() { return TallySession::currentSession(); }

	test::TempFolder m_folder;
	std::mutex m_linesMutex;
	std::vector<std::string> m_lines;
};
