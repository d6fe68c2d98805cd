// Outputs that follow the sound clock (a headless run): the sound is mixed
// tick by tick on the caller's thread, so the recording is exactly as long
// as the clock's time, each clip starts at the frame it was played in, and
// two runs give the same bytes.
#include "AudioTestSupport.h"
#include <audio/AudioOutput.h>
#include <audio/SoundClock.h>
#include <support/TempFolder.h>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>

using namespace audiotest;
using audio::SoundClock;

namespace
{

/** A 60 Hz tick of the headless clock, in microseconds. */
int64_t const TICK = 16667;

/** Frames of rate in micros, rounded down. */
int64_t framesAt(int64_t micros, int rate)
{
	return micros * rate / 1000000;
}

std::string readFile(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/** The index of the first frame of 16-bit stereo wave text with a sample other than 0; -1 when silent. */
int64_t firstSound(std::string const& wave)
{
	for (size_t at = 44; at + 1 < wave.size(); at += 2)
	{
		if (wave[at] != 0 || wave[at + 1] != 0)
			return int64_t(at - 44) / 4;
	}
	return -1;
}

/**
 * Runs ticks of the clock recording into path with one 44.1 kHz stereo
 * output started at startTick (the first to start: the file takes its
 * format), playing a tone at playTick; a second output at 22.05 kHz starts
 * with it and plays a louder tone all along, unheard in the file.
 */
void run(std::string const& path, int ticks, int startTick, int playTick)
{
	SoundClock::start(path);
	{
		lang::Ptr<audio::AudioOutput> output = new audio::AudioOutput(audio::AudioConfiguration{2, 16, 44100});
		lang::Ptr<audio::AudioOutput> other = new audio::AudioOutput(audio::AudioConfiguration{2, 16, 22050});
		// A level tone (no silent first sample): the clip is heard from its very first frame.
		lang::Ptr<audio::AudioClip> tone = memoryClip(soundgen::Bytes(4410 * 4, 0x20), 2, 16, 44100);
		lang::Ptr<audio::AudioClip> loud = memoryClip(soundgen::sine(2, 16, 22050, 22050, 220.0, 0.9), 2, 16, 22050);
		for (int tick = 0; tick <= ticks; ++tick)
		{
			if (tick > 0)
				SoundClock::advance(TICK);
			if (tick == startTick)
			{
				output->startOutput();
				other->startOutput();
				other->playClip(loud.get(), 1.f, true, 0);
			}
			if (tick == playTick)
				output->playClip(tone.get(), 1.f, false, 0);
		}
	}
	SoundClock::stop();
}

TEST(ClockedSound, TheRecordingLastsTheClocksTimeAndEachClipStartsAtItsFrame)
{
	struct Case
	{
		int ticks, startTick, playTick;
	} const cases[] = {
		{120, 0, 60},   // the output from the start
		{120, 30, 60},  // an output that starts later: the file still starts at 0
		{120, 60, 60},  // played in the frame the output starts
		{1200, 0, 1},   // 20 s of the game's time
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(testing::Message() << c.ticks << " ticks, started at " << c.startTick << ", played at " << c.playTick);
		test::TempFolder folder;
		run(folder / "clock.wav", c.ticks, c.startTick, c.playTick);
		std::string const wave = readFile(folder / "clock.wav");
		ASSERT_EQ(size_t(44 + 4 * framesAt(c.ticks * TICK, 44100)), wave.size());
		EXPECT_EQ("RIFF", wave.substr(0, 4));
		EXPECT_EQ(framesAt(c.playTick * TICK, 44100), firstSound(wave));
	}
}

TEST(ClockedSound, TwoRunsGiveTheSameBytes)
{
	test::TempFolder folder;
	run(folder / "a.wav", 90, 0, 10);
	run(folder / "b.wav", 90, 0, 10);
	std::string const a = readFile(folder / "a.wav");
	EXPECT_GT(a.size(), 44u);
	EXPECT_EQ(a, readFile(folder / "b.wav"));
}

TEST(ClockedSound, AFileThatCannotBeWrittenIsNamedAndTheOutputPlaysOn)
{
	test::TempFolder folder;
	testing::internal::CaptureStdout();
	SoundClock::start(folder / "missing/clock.wav");
	{
		lang::Ptr<audio::AudioOutput> output = new audio::AudioOutput(audio::AudioConfiguration{2, 16, 44100});
		lang::Ptr<audio::AudioClip> tone = memoryClip(soundgen::sine(2, 16, 44100, 4410, 440.0, 0.5), 2, 16, 44100);
		output->startOutput();
		output->playClip(tone.get(), 1.f, false, 0);
		EXPECT_TRUE(output->isClipPlaying(tone.get()));
		// The clip lasts 0.1 s of the clock's time.
		for (int tick = 0; tick < 7; ++tick)
			SoundClock::advance(TICK);
		EXPECT_FALSE(output->isClipPlaying(tone.get()));
	}
	SoundClock::stop();
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, log.find("Cannot write the sound to " + folder / "missing/clock.wav" + ": No such file or directory")) << log;
}

} // namespace
