#include "AudioTestSupport.h"
#include <audio/AudioReader.h>
#include <gtest/gtest.h>
#include <lang/Exception.h>

using namespace audiotest;
using audio::AudioReader;

namespace
{

struct Fixture
{
	char const* label;
	Bytes data;
	io::FileFormat format;
};

std::vector<Fixture> fixtures()
{
	Bytes const pcm = soundgen::sine(2, 16, 22050, 300, 500.0, 0.5);
	Bytes const wav = soundgen::riff({soundgen::chunk("fmt ", soundgen::fmtBody(1, 2, 22050, 16)),
		soundgen::chunk("LIST", Bytes(9, 'i')), soundgen::chunk("data", pcm)});
	Bytes const mp3 = soundgen::mp3(soundgen::sine(1, 16, 22050, 3000, 300.0, 0.5), 1, 22050, 32);
	return {{"wav with an odd LIST chunk", wav, io::FILEFORMAT_WAV}, {"mp3", mp3, io::FILEFORMAT_MP3}};
}

int const MAX_CALLS = 2000;

/**
 * Reads the file to its end, then once more from the start; returns false
 * when it throws an engine exception. A read that does not end in
 * MAX_CALLS calls fails the test.
 */
bool readAll(Bytes const& data, io::FileFormat format)
{
	try
	{
		AudioReader r(stream(data), format);
		Bytes buf(1000);
		int offset = 0;
		int calls = 0;
		for (; calls < MAX_CALLS; ++calls)
		{
			int n = r.readData(buf.data(), offset, 1000);
			if (n <= 0)
				break;
			offset += n;
		}
		EXPECT_LT(calls, MAX_CALLS);
		r.readData(buf.data(), 0, 1000);
		return true;
	}
	catch (lang::Exception const&)
	{
		return false;
	}
}

} // namespace

TEST(AudioReaderDamaged, TruncatedAndFlippedFilesReadOrThrow)
{
	uint32_t seed = 4711;
	auto next = [&seed]() {
		seed = seed * 1664525u + 1013904223u;
		return seed >> 8;
	};
	for (Fixture const& f : fixtures())
	{
		SCOPED_TRACE(f.label);
		ASSERT_TRUE(readAll(f.data, f.format));
		for (size_t n = 0; n < f.data.size(); ++n)
			readAll(Bytes(f.data.begin(), f.data.begin() + static_cast<long>(n)), f.format);
		for (int i = 0; i < 1000; ++i)
		{
			Bytes d = f.data;
			int const flips = 1 + static_cast<int>(next() % 3);
			for (int k = 0; k < flips; ++k)
				d[next() % d.size()] ^= static_cast<unsigned char>(1 + next() % 255);
			readAll(d, f.format);
		}
	}
}
