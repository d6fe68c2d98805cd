#include "AudioTestSupport.h"
#include <audio/AudioMixer.h>
#include <gtest/gtest.h>
#include <io/IOException.h>
#include <io/ThrownMessage.h>
#include <cmath>

using namespace audiotest;
using audio::AudioClip;
using audio::AudioConfiguration;
using audio::AudioMixer;

namespace
{

AudioConfiguration const mono16{1, 16, 22050};
AudioConfiguration const stereo16{2, 16, 22050};
AudioConfiguration const mono8{1, 8, 22050};
AudioConfiguration const stereo8{2, 8, 22050};

/** n frames of one value on every channel. */
Bytes constant(int channels, int bits, int frames, int value)
{
	return soundgen::ramp(channels, bits, frames, value, 0);
}

lang::Ptr<AudioMixer> startedMixer()
{
	lang::Ptr<AudioMixer> m = new AudioMixer;
	m->start();
	return m;
}

std::vector<int16_t> mix16(AudioMixer& m, AudioConfiguration const& config, int bytes)
{
	Bytes out(static_cast<size_t>(bytes));
	m.mixUnlimited16(config, out.data(), static_cast<unsigned>(bytes));
	return samples16(out);
}

Bytes mix8(AudioMixer& m, AudioConfiguration const& config, int bytes)
{
	Bytes out(static_cast<size_t>(bytes));
	m.mixUnlimited8(config, out.data(), static_cast<unsigned>(bytes));
	return out;
}

/** A clip whose reads fail. */
class BrokenClip : public AudioClip
{
public:
	BrokenClip() : AudioClip(nullptr, "\0\0\0\0", 4, AudioConfiguration{1, 16, 22050}) {}
	int getData(void*, int, audio::AudioClipCursor*) override
	{
		lang::throwError(io::IOException(lang::Format("broken clip")));
	}
};

} // namespace

TEST(AudioMixer, PlayIdsLimitsAndStartedFlag)
{
	lang::Ptr<AudioClip> clip = memoryClip(constant(1, 16, 100, 5), 1, 16);
	lang::Ptr<AudioMixer> m = new AudioMixer;
	EXPECT_EQ(-1, m->playClip(clip.ptr(), 1.f, false, 0));
	m->start();
	EXPECT_EQ(0, m->playClip(clip.ptr(), 1.f, false, 0));
	EXPECT_EQ(1, m->playClip(clip.ptr(), 1.f, false, 5));
	EXPECT_EQ(-1, m->playClip(nullptr, 1.f, false, 5));

	m->setClipCountLimit(2, 1);
	int first = m->playClip(clip.ptr(), 1.f, false, 2);
	EXPECT_EQ(2, first);
	EXPECT_EQ(-1, m->playClip(clip.ptr(), 1.f, false, 2));
	EXPECT_EQ(1, m->getPlayingClipCount(2));
	mix16(*m, mono16, 400); // plays the clip to its end
	mix16(*m, mono16, 400); // finds the end
	EXPECT_FALSE(m->isClipPlaying(first));
	m->flushQueueAndRemoveEndedClips();
	EXPECT_EQ(3, m->playClip(clip.ptr(), 1.f, false, 2));

	m->stop();
	EXPECT_EQ(-1, m->playClip(clip.ptr(), 1.f, false, 0));
	m->setClipCountLimit(0, 0);
	m->start();
	EXPECT_EQ(-1, m->playClip(clip.ptr(), 1.f, false, 0));
}

TEST(AudioMixer, TracksAreChecked)
{
	lang::Ptr<AudioMixer> m = startedMixer();
	m->setTrackVolume(1.5f, 0);
	EXPECT_EQ(1.f, m->getTrackVolume(0));
	m->setTrackVolume(std::nanf(""), 1);
	EXPECT_EQ(0.f, m->getTrackVolume(1));
	m->setTrackVolume(-2.f, 2);
	EXPECT_EQ(0.f, m->getTrackVolume(2));
	EXPECT_EQ("Track 8 out of bounds! Range [0-7]", message([&] { m->getTrackVolume(8); }));
	EXPECT_EQ("Track -1 out of bounds! Range [0-7]", message([&] { m->setTrackVolume(1.f, -1); }));
	EXPECT_EQ("Track 9 out of bounds! Range [0-7]", message([&] { m->playClip(nullptr, 1.f, false, 9); }));
	EXPECT_EQ("Track 8 out of bounds! Range [0-7]", message([&] { m->setClipCountLimit(8, 1); }));
	EXPECT_EQ("Track 8 out of bounds! Range [0-7]", message([&] { m->getPlayingClipCount(8); }));
}

TEST(AudioMixer, GainsSumAndClamp)
{
	struct Case
	{
		char const* label;
		float volume;
		float track;
		int sample;
		int copies;
		int expected;
	};
	for (Case const& c : std::vector<Case>{
			 {"half of half", 0.5f, 0.5f, 1000, 1, 250},
			 {"full scale sum", 1.f, 1.f, 30000, 2, 32767},
			 {"negative sum", 1.f, 1.f, -30000, 2, -32768},
			 {"below one step", 0.0002f, 1.f, 30000, 1, 0},
			 {"volume above one", 7.f, 1.f, 1000, 1, 1000},
			 {"NaN volume", std::nanf(""), 1.f, 1000, 1, 0},
		 })
	{
		SCOPED_TRACE(c.label);
		lang::Ptr<AudioMixer> m = startedMixer();
		m->setTrackVolume(c.track, 3);
		lang::Ptr<AudioClip> clip = memoryClip(constant(1, 16, 64, c.sample), 1, 16);
		for (int i = 0; i < c.copies; ++i)
			m->playClip(clip.ptr(), c.volume, false, 3);
		EXPECT_EQ(std::vector<int16_t>(32, static_cast<int16_t>(c.expected)), mix16(*m, mono16, 64));
	}

	// 8-bit output: sums of +200 and -200 clamp to 255 and 0.
	for (int value : {228, 28})
	{
		lang::Ptr<AudioMixer> m = startedMixer();
		lang::Ptr<AudioClip> clip = memoryClip(constant(1, 8, 16, value), 1, 8);
		m->playClip(clip.ptr(), 1.f, false, 0);
		m->playClip(clip.ptr(), 1.f, false, 1);
		EXPECT_EQ(Bytes(16, value == 228 ? 255 : 0), mix8(*m, mono8, 16));
	}
}

TEST(AudioMixer, ChannelAndWidthConversions)
{
	// Mono 16-bit on stereo: 4096 bytes of output take 2048 of the clip, each sample on both sides.
	Bytes const ramp = soundgen::ramp(1, 16, 2048, -1000, 1);
	lang::Ptr<AudioMixer> m = startedMixer();
	m->playClip(memoryClip(ramp, 1, 16).ptr(), 1.f, false, 0);
	for (int buffer = 0; buffer < 2; ++buffer)
	{
		std::vector<int16_t> out = mix16(*m, stereo16, 4096);
		for (int f = 0; f < 1024; ++f)
		{
			ASSERT_EQ(-1000 + buffer * 1024 + f, out[2 * f]) << f;
			ASSERT_EQ(out[2 * f], out[2 * f + 1]) << f;
		}
	}

	// 8-bit mono on 8-bit stereo: half the bytes, both channels.
	m = startedMixer();
	m->playClip(memoryClip(soundgen::ramp(1, 8, 8, 10, 10), 1, 8).ptr(), 1.f, false, 0);
	EXPECT_EQ(Bytes({10, 10, 20, 20, 30, 30, 40, 40, 50, 50, 60, 60, 70, 70, 80, 80}), mix8(*m, stereo8, 16));

	// Stereo on mono: mixed down.
	m = startedMixer();
	m->playClip(memoryClip(Bytes({0xE8, 0x03, 0xD0, 0x07}), 2, 16).ptr(), 1.f, false, 0);
	EXPECT_EQ(std::vector<int16_t>({1500, 0}), mix16(*m, mono16, 4));

	// 8-bit clip on 16-bit output and 16-bit clip on 8-bit output.
	m = startedMixer();
	m->playClip(memoryClip(Bytes({0, 128, 255}), 1, 8).ptr(), 1.f, false, 0);
	EXPECT_EQ(std::vector<int16_t>({-32768, 0, 32512}), mix16(*m, mono16, 6));
	m->playClip(memoryClip(Bytes({0x00, 0x80, 0x00, 0x10}), 1, 16).ptr(), 1.f, false, 0);
	EXPECT_EQ(Bytes({0, 144}), mix8(*m, mono8, 2));
}

TEST(AudioMixer, StoppingAndVolumesReachQueuedAndPlayingInstances)
{
	lang::Ptr<AudioMixer> m = startedMixer();
	lang::Ptr<AudioClip> clip = memoryClip(constant(1, 16, 1000, 4000), 1, 16);
	lang::Ptr<AudioClip> other = memoryClip(constant(1, 16, 1000, 100), 1, 16);
	int id = m->playClip(clip.ptr(), 1.f, true, 0);
	m->stopClip(clip.ptr());
	EXPECT_FALSE(m->isClipPlaying(clip.ptr()));
	EXPECT_FALSE(m->isClipPlaying(id));

	id = m->playClip(clip.ptr(), 1.f, true, 0);
	int otherId = m->playClip(other.ptr(), 1.f, true, 1);
	m->setClipVolume(id, 0.25f);
	EXPECT_EQ(std::vector<int16_t>(4, 1100), mix16(*m, mono16, 8));
	m->setClipVolume(id, 5.f);
	EXPECT_EQ(std::vector<int16_t>(4, 4100), mix16(*m, mono16, 8));
	EXPECT_TRUE(m->isClipPlaying(clip.ptr()));
	m->stopClips();
	EXPECT_FALSE(m->isClipPlaying(otherId));
	EXPECT_EQ(0, m->getPlayingClipCount(0));
	EXPECT_EQ(std::vector<int16_t>(4, 0), mix16(*m, mono16, 8));
}

TEST(AudioMixer, SilentInstancesAdvanceAndBrokenClipsEnd)
{
	lang::Ptr<AudioMixer> m = startedMixer();
	int silent = m->playClip(memoryClip(constant(1, 16, 10, 100), 1, 16).ptr(), 0.f, false, 0);
	int broken = m->playClip(new BrokenClip, 1.f, true, 1);
	m->playClip(memoryClip(constant(1, 16, 10, 100), 1, 16).ptr(), 1.f, false, 2);
	EXPECT_EQ(std::vector<int16_t>(10, 100), mix16(*m, mono16, 20));
	EXPECT_FALSE(m->isClipPlaying(broken));
	mix16(*m, mono16, 20);
	EXPECT_FALSE(m->isClipPlaying(silent));
}
