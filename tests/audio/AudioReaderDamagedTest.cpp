#include "AudioTestSupport.h"
#include <audio/AudioReader.h>
#include <gtest/gtest.h>
#include <support/DamagedCopies.h>
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
	for (Fixture const& f : fixtures())
	{
		SCOPED_TRACE(f.label);
		ASSERT_TRUE(readAll(f.data, f.format));
		forEachDamagedCopy(f.data, 1000, 4711, [&](Bytes const& d) { readAll(d, f.format); });
	}
}
