#include "AudioTestSupport.h"
#include <audio/AudioClipInstance.h>
#include <audio/CompositeAudioClip.h>
#include <gtest/gtest.h>
#include <io/ThrownMessage.h>
#include <cmath>

using namespace audiotest;
using audio::AudioClip;
using audio::AudioClipCursor;
using audio::AudioClipInstance;
using audio::CompositeAudioClip;

namespace
{

Bytes const a = soundgen::ramp(1, 8, 40, 0, 1);
Bytes const b = soundgen::ramp(1, 8, 30, 100, 1);

Bytes concat(Bytes x, Bytes const& y)
{
	x.insert(x.end(), y.begin(), y.end());
	return x;
}

// Repeats of x filling 100 bytes.
Bytes repeatsOf(Bytes const& x)
{
	Bytes out;
	while (out.size() < 100)
		out.insert(out.end(), x.begin(), x.end());
	out.resize(100);
	return out;
}

lang::Ptr<CompositeAudioClip> composite(std::vector<lang::Ptr<AudioClip>> const& clips)
{
	return new CompositeAudioClip(nullptr, clips);
}

} // namespace

TEST(AudioClipComposite, ReadsThePartsInOrderAndZeroOnlyAtTheEnd)
{
	lang::Ptr<CompositeAudioClip> clip = composite({memoryClip(a, 1, 8), memoryClip(b, 1, 8)});
	EXPECT_EQ(70, clip->dataSize());
	EXPECT_EQ(1, clip->channels());
	EXPECT_EQ(8, clip->bitsPerSample());

	// Buffers the size of the first part: the second call gives the second part, not 0.
	lang::Ptr<AudioClipCursor> cursor = new AudioClipCursor;
	Bytes buf(40);
	ASSERT_EQ(40, clip->getData(buf.data(), 40, cursor.ptr()));
	EXPECT_EQ(a, buf);
	ASSERT_EQ(30, clip->getData(buf.data(), 40, cursor.ptr()));
	EXPECT_EQ(b, Bytes(buf.begin(), buf.begin() + 30));
	EXPECT_EQ(0, clip->getData(buf.data(), 40, cursor.ptr()));

	// One large read stops at the end of a part.
	cursor = new AudioClipCursor;
	Bytes big(100);
	EXPECT_EQ(40, clip->getData(big.data(), 100, cursor.ptr()));
}

TEST(AudioClipComposite, NestedCompositesAreFlattenedAndEmptyOnesRefused)
{
	lang::Ptr<AudioClip> inner = composite({memoryClip(a, 1, 8), memoryClip(Bytes(), 1, 8)});
	lang::Ptr<CompositeAudioClip> outer = composite({inner, memoryClip(b, 1, 8)});
	EXPECT_EQ(3u, outer->clips().size());
	AudioClipInstance instance(outer.ptr(), 1.f, 0, 0, false);
	Bytes buf(200), got;
	for (int i = 0; i < 10 && !instance.ended(); ++i)
	{
		int n = instance.fetchData(buf.data(), 25);
		got.insert(got.end(), buf.begin(), buf.begin() + n);
	}
	EXPECT_EQ(concat(a, b), got);
	EXPECT_TRUE(instance.ended());

	EXPECT_EQ("A composite audio clip needs at least one clip", message([] { composite({}); }));
	EXPECT_EQ("A composite audio clip needs at least one clip", message([] { composite({nullptr}); }));

	Bytes const mp3 = soundgen::mp3(soundgen::sine(1, 16, 22050, 2000, 300.0, 0.5), 1, 22050, 32);
	EXPECT_EQ(-1, composite({memoryClip(a, 1, 8), streamedClip(mp3, io::FILEFORMAT_MP3)})->dataSize());
}

TEST(AudioClipInstance, LoopsFillTheBufferAndInstancesAreIndependent)
{
	lang::Ptr<AudioClip> clip = memoryClip(a, 1, 8);
	AudioClipInstance looping(clip, 1.f, 0, 0, true);
	Bytes buf(100);
	ASSERT_EQ(100, looping.fetchData(buf.data(), 100));
	EXPECT_EQ(repeatsOf(a), buf);
	EXPECT_FALSE(looping.ended());

	AudioClipInstance first(clip, 1.f, 1, 0, false);
	AudioClipInstance second(clip, 1.f, 2, 0, false);
	Bytes x(10), y(10);
	first.fetchData(x.data(), 10);
	first.fetchData(x.data(), 10);
	second.fetchData(y.data(), 10);
	EXPECT_EQ(Bytes(a.begin() + 10, a.begin() + 20), x);
	EXPECT_EQ(Bytes(a.begin(), a.begin() + 10), y);

	// A copy shares the cursor.
	AudioClipInstance copy = first;
	copy.fetchData(x.data(), 10);
	first.fetchData(x.data(), 10);
	EXPECT_EQ(Bytes(a.begin() + 30, a.begin() + 40), x);
	EXPECT_EQ(0, first.fetchData(x.data(), 10));
	EXPECT_TRUE(first.ended());
}

TEST(AudioClipInstance, LoopOverAnEmptyClipEnds)
{
	for (lang::Ptr<AudioClip> clip : {memoryClip(Bytes(), 2, 16), lang::Ptr<AudioClip>(composite({memoryClip(Bytes(), 1, 8)}))})
	{
		AudioClipInstance looping(clip, 1.f, 0, 0, true);
		Bytes buf(64);
		EXPECT_EQ(0, looping.fetchData(buf.data(), 64));
		EXPECT_TRUE(looping.ended());
	}
}

TEST(AudioClipInstance, VolumesAreClamped)
{
	AudioClipInstance i(memoryClip(a, 1, 8), 3.f, 0, 0, false);
	EXPECT_EQ(1.f, i.volume());
	for (float v : {-0.5f, std::nanf("")})
	{
		i.setVolume(v);
		EXPECT_EQ(0.f, i.volume());
	}
	i.setVolume(0.25f);
	EXPECT_EQ(0.25f, i.volume());
}
