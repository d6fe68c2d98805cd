#include "AudioTestSupport.h"
#include <audio/AudioInput.h>
#include <audio/AudioMixer.h>
#include <audio/AudioOutput.h>
#include <audio/OpenAL/AudioOutputImpl.h>
#include <audio/linux/AudioSession.h>
#include <gtest/gtest.h>
#include <io/ThrownMessage.h>
#include <cmath>
#include <lang/Thread.h>
#include <support/AudioWaveEnvironment.h>
#include <algorithm>
#include <cstdlib>
#include <functional>

using namespace audiotest;
using audio::AudioConfiguration;
using audio::AudioOutput;
using audio::AudioOutputImpl;
using audio::AudioSession;

namespace
{

auto* const wave = static_cast<AudioWaveEnvironment*>(::testing::AddGlobalTestEnvironment(new AudioWaveEnvironment(22050)));

AudioConfiguration const stereo16{2, 16, 22050};

/** Runs play on a new output, lets it sound for ms, closes the device and returns what reached it. */
std::vector<int16_t> record(AudioConfiguration const& config, std::function<void(AudioOutput&)> const& play, int ms = 450)
{
	{
		lang::Ptr<AudioOutput> out = new AudioOutput(config);
		play(*out);
		lang::Thread::sleep(static_cast<unsigned>(ms));
	}
	return wave->samples();
}

/** Whether needle appears in haystack with every sample within tolerance. */
bool contains(std::vector<int16_t> const& haystack, std::vector<int16_t> const& needle, int tolerance = 0)
{
	auto near = [tolerance](int16_t a, int16_t b) { return std::abs(a - b) <= tolerance; };
	return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), near) != haystack.end();
}

std::vector<int16_t> interleaveMono(std::vector<int16_t> const& mono)
{
	std::vector<int16_t> out;
	for (int16_t s : mono)
		out.insert(out.end(), {s, s});
	return out;
}

} // namespace

TEST(AudioOutputWave, StereoClipArrivesSampleForSample)
{
	Bytes const pcm = soundgen::ramp(2, 16, 2205, -3000, 3);
	std::vector<int16_t> got = record(stereo16, [&](AudioOutput& out) {
		out.startOutput();
		out.playClip(memoryClip(pcm, 2, 16).ptr(), 1.f, false, 0);
	});
	EXPECT_TRUE(contains(got, samples16(pcm)));
}

TEST(AudioOutputWave, MonoClipOnBothChannels)
{
	Bytes const pcm = soundgen::ramp(1, 16, 2205, 500, 7);
	std::vector<int16_t> got = record(stereo16, [&](AudioOutput& out) {
		out.startOutput();
		out.playClip(memoryClip(pcm, 1, 16).ptr(), 1.f, false, 4);
	});
	EXPECT_TRUE(contains(got, interleaveMono(samples16(pcm))));
}

TEST(AudioOutputWave, EightBitOutput)
{
	Bytes const pcm = soundgen::ramp(2, 8, 1000, 3, 1);
	std::vector<int16_t> expected;
	for (unsigned char u : pcm)
		expected.push_back(static_cast<int16_t>((u - 128) * 256));
	std::vector<int16_t> got = record({2, 8, 22050}, [&](AudioOutput& out) {
		out.startOutput();
		out.playClip(memoryClip(pcm, 2, 8).ptr(), 1.f, false, 0);
	});
	EXPECT_TRUE(contains(got, expected));
}

TEST(AudioOutputWave, MasterVolumeSetBeforeStartHalves)
{
	Bytes const pcm = soundgen::ramp(2, 16, 2205, -20000, 17);
	std::vector<int16_t> half;
	for (int16_t s : samples16(pcm))
		half.push_back(static_cast<int16_t>(s / 2));
	std::vector<int16_t> got = record(stereo16, [&](AudioOutput& out) {
		EXPECT_EQ(-1.f, out.getMasterVolume());
		out.setMasterVolume(0.5f);
		out.startOutput();
		EXPECT_EQ(0.5f, out.getMasterVolume());
		out.playClip(memoryClip(pcm, 2, 16).ptr(), 1.f, false, 0);
	});
	EXPECT_TRUE(contains(got, half, 1));
}

TEST(AudioOutputWave, TwoTracksSum)
{
	// The long constant clip covers the short ramp, whichever buffer each starts in.
	Bytes const ramp = soundgen::ramp(2, 16, 1000, -5000, 11);
	std::vector<int16_t> expected;
	for (int16_t s : samples16(ramp))
		expected.push_back(static_cast<int16_t>(s + 1000));
	std::vector<int16_t> got = record(stereo16, [&](AudioOutput& out) {
		out.startOutput();
		out.playClip(memoryClip(soundgen::ramp(2, 16, 6000, 1000, 0), 2, 16).ptr(), 1.f, false, 0);
		out.playClip(memoryClip(ramp, 2, 16).ptr(), 1.f, false, 1);
	});
	EXPECT_TRUE(contains(got, expected));
}

TEST(AudioOutput, ConfigurationAndBufferSizes)
{
	EXPECT_EQ(4096, AudioOutputImpl::computeBufferSize({2, 16, 22050}));
	EXPECT_EQ(256, AudioOutputImpl::computeBufferSize({1, 8, 8000}));
	EXPECT_EQ(8192, AudioOutputImpl::computeBufferSize({2, 16, 48000}));

	struct Case
	{
		AudioConfiguration config;
		char const* fault;
	};
	for (Case const& c : {Case{{2, 16, 44000}, "samples per second"}, Case{{3, 16, 22050}, "count of channels"},
			 Case{{2, 24, 22050}, "bits per sample"}})
	{
		EXPECT_EQ(std::string("Unsupported ") + c.fault + " while creating AudioOutput", message([&] { AudioOutput out(c.config); }));
		EXPECT_EQ(std::string("Unsupported ") + c.fault + " while creating AudioInput", message([&] { audio::AudioInput in(c.config); }));
	}
	audio::AudioInput input({1, 8, 8000});
	EXPECT_TRUE(input.startInput());
	input.stopInput();

	AudioOutput out({1, 8, 8000});
	EXPECT_TRUE(out.startOutput());
}

TEST(AudioOutput, StartAndStopTwice)
{
	lang::Ptr<AudioOutput> out = new AudioOutput(stereo16);
	EXPECT_FALSE(out->isStarted());
	EXPECT_EQ(-1, out->playClip(memoryClip(Bytes(400), 2, 16).ptr(), 1.f, false, 0));
	for (int round = 0; round < 2; ++round)
	{
		EXPECT_TRUE(out->startOutput());
		EXPECT_TRUE(out->startOutput());
		EXPECT_TRUE(out->isStarted());
		EXPECT_EQ(1, AudioOutputImpl::startedCount());
		EXPECT_TRUE(AudioSession::isActive());
		EXPECT_EQ("ambi", AudioSession::category());
		EXPECT_EQ(1.f, out->getMasterVolume());
		out->stopOutput();
		out->stopOutput();
		EXPECT_FALSE(out->isStarted());
		EXPECT_EQ(0, AudioOutputImpl::startedCount());
		EXPECT_FALSE(AudioSession::isActive());
	}
	out->setMasterVolume(std::nanf(""));
	EXPECT_EQ(0.f, out->getMasterVolume());
	out->setMasterVolume(4.f);
	EXPECT_EQ(1.f, out->getMasterVolume());
}

TEST(AudioOutput, InterruptionStopsAndRestartsWithClipsKept)
{
	lang::Ptr<AudioOutput> started = new AudioOutput(stereo16);
	lang::Ptr<AudioOutput> idle = new AudioOutput(stereo16);
	started->startOutput();
	int id = started->playClip(memoryClip(soundgen::ramp(2, 16, 100, 0, 1), 2, 16).ptr(), 1.f, true, 0);
	ASSERT_GE(id, 0);

	AudioSession::interrupt(1);
	EXPECT_FALSE(started->isStarted());
	EXPECT_TRUE(started->isClipPlaying(id));
	AudioSession::interrupt(0);
	EXPECT_TRUE(started->isStarted());
	EXPECT_FALSE(idle->isStarted());
	lang::Thread::sleep(60);
	EXPECT_TRUE(started->isClipPlaying(id));
	EXPECT_EQ(1, AudioOutputImpl::startedCount());
}

TEST(AudioOutput, StartedOutputDestroyedWhilePlaying)
{
	lang::Ptr<AudioOutput> out = new AudioOutput(stereo16);
	out->startOutput();
	out->playClip(memoryClip(soundgen::ramp(2, 16, 5000, 0, 1), 2, 16).ptr(), 1.f, true, 0);
	lang::Thread::sleep(30);
	AudioSession::interrupt(1);
	out = nullptr;
	EXPECT_EQ(0, AudioOutputImpl::startedCount());
	EXPECT_FALSE(AudioSession::isActive());
	AudioSession::interrupt(0); // the destroyed output is no longer in the session
}
