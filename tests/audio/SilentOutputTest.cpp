// The output on a machine without a sound device: its own program, since the
// audio library chooses its back end once per process (test_audio sends
// everything to the wave writer).
#include "AudioTestSupport.h"
#include <audio/AudioOutput.h>
#include <gtest/gtest.h>
#include <lang/Thread.h>
#include <support/NoSoundDevice.h>
#include <chrono>
#include <cstdlib>
#include <string>

using namespace audiotest;
using audio::AudioConfiguration;
using audio::AudioOutput;

namespace
{

/** Makes the default device fail to open for the whole process, before any test opens one. */
class NoSoundDeviceEnvironment : public ::testing::Environment
{
public:
	void SetUp() override
	{
		std::string const assignments = test::noSoundDevice(m_folder);
		// "ALSOFT_DRIVERS=oss ALSOFT_CONF=<file>"
		size_t const space = assignments.find(' ');
		putVariable(assignments.substr(0, space));
		putVariable(assignments.substr(space + 1));
	}

private:
	test::TempFolder m_folder;

	static void putVariable(std::string const& assignment)
	{
		size_t const eq = assignment.find('=');
		setenv(assignment.substr(0, eq).c_str(), assignment.substr(eq + 1).c_str(), 1);
	}
};

::testing::Environment* const noDevice = ::testing::AddGlobalTestEnvironment(new NoSoundDeviceEnvironment);

AudioConfiguration const stereo16{2, 16, 22050};

double secondsSince(std::chrono::steady_clock::time_point start)
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(SilentOutput, OpensWithoutADeviceAndSaysSoOnce)
{
	testing::internal::CaptureStdout();
	{
		lang::Ptr<AudioOutput> first = new AudioOutput(stereo16);
		lang::Ptr<AudioOutput> second = new AudioOutput(AudioConfiguration{1, 8, 8000});
		EXPECT_TRUE(first->startOutput());
		EXPECT_TRUE(second->startOutput());
		EXPECT_TRUE(first->isStarted());
		first->stopOutput();
		EXPECT_FALSE(first->isStarted());
	}
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_EQ("no sound device: running silent\n", out);
}

// The silent output takes the mixer's buffers as a card would: a one-second
// clip ends about a second later (give or take the two or three buffers of
// 46 ms mixed at a time), neither at once nor never; stopping holds it,
// starting again resumes it.
TEST(SilentOutput, ClipsLastTheirRealTime)
{
	lang::Ptr<AudioOutput> out = new AudioOutput(stereo16);
	ASSERT_TRUE(out->startOutput());
	out->setMasterVolume(0.5f);
	EXPECT_EQ(0.5f, out->getMasterVolume());

	lang::Ptr<audio::AudioClip> second = memoryClip(soundgen::sine(2, 16, 22050, 22050, 440.0, 0.5), 2, 16);
	auto const start = std::chrono::steady_clock::now();
	int const id = out->playClip(second.ptr(), 1.f, false, 0);
	ASSERT_GE(id, 0);
	while (out->isClipPlaying(id) && secondsSince(start) < 5.0)
		lang::Thread::sleep(5);
	double const played = secondsSince(start);
	EXPECT_GT(played, 0.75);
	EXPECT_LT(played, 2.0);

	int const held = out->playClip(second.ptr(), 1.f, false, 1);
	out->stopOutput();
	lang::Thread::sleep(1200);
	EXPECT_TRUE(out->isClipPlaying(held));
	ASSERT_TRUE(out->startOutput());
	auto const resumed = std::chrono::steady_clock::now();
	while (out->isClipPlaying(held) && secondsSince(resumed) < 5.0)
		lang::Thread::sleep(5);
	EXPECT_FALSE(out->isClipPlaying(held));
	EXPECT_LT(secondsSince(resumed), 2.0);
}
