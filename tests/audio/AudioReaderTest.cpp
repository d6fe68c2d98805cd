#include "AudioTestSupport.h"
#include <audio/AudioClipInstance.h>
#include <audio/AudioReader.h>
#include <gtest/gtest.h>
#include <io/ThrownMessage.h>
#include <mpg123.h>

using namespace audiotest;
using audio::AudioReader;
using soundgen::chunk;
using soundgen::fmtBody;
using soundgen::riff;

namespace
{

Bytes slice(Bytes const& b, size_t offset, size_t n)
{
	offset = std::min(offset, b.size());
	return Bytes(b.begin() + static_cast<long>(offset), b.begin() + static_cast<long>(std::min(b.size(), offset + n)));
}

struct WavCase
{
	char const* label;
	Bytes file;
	std::string error; // empty: the header reads
	int channels;
	int bits;
	int dataSize;
};

Bytes const pcm16 = soundgen::ramp(2, 16, 25, 1000, 7); // 100 bytes

std::vector<WavCase> wavCases()
{
	Bytes const fmt = chunk("fmt ", fmtBody(1, 2, 22050, 16));
	Bytes const data = chunk("data", pcm16);
	Bytes beyond = data;
	beyond[4] = 0xF0; // declares far more data than the file holds
	Bytes noPcm = fmtBody(1, 2, 22050, 16);
	return {
		{"plain 16-bit stereo", riff({fmt, data}), "", 2, 16, 100},
		{"8-bit mono", riff({chunk("fmt ", fmtBody(1, 1, 8000, 8)), chunk("data", soundgen::ramp(1, 8, 30, 0, 3))}), "", 1, 8, 30},
		{"odd LIST chunk between fmt and data", riff({fmt, chunk("LIST", Bytes(7, 'x')), data}), "", 2, 16, 100},
		{"fmt of 18 bytes", riff({chunk("fmt ", fmtBody(1, 2, 22050, 16, 2)), data}), "", 2, 16, 100},
		{"fmt of odd size 17 with its pad byte", riff({chunk("fmt ", fmtBody(1, 2, 22050, 16, 1)), data}), "", 2, 16, 100},
		{"data beyond the end of the file", riff({fmt, beyond}), "", 2, 16, 100},
		{"no data chunk", riff({fmt}), "", 2, 16, 0},
		{"chunk skipping past the end", riff({fmt, chunk("LIST", Bytes(3, 'x'))}) , "", 2, 16, 0},
		{"data before fmt", riff({data, fmt}), "Missing fmt chunk before data chunk in wav file ByteArrayInputStream", 0, 0, 0},
		{"format 3", riff({chunk("fmt ", fmtBody(3, 2, 22050, 32)), data}), "WAV was not PCM in ByteArrayInputStream! RIFF AudioEncoding TwoCC value: 0x3", 0, 0, 0},
		{"fmt of 14 bytes", riff({chunk("fmt ", Bytes(noPcm.begin(), noPcm.begin() + 14)), data}), "Bad fmt chunk size 14 while reading ByteArrayInputStream", 0, 0, 0},
		{"fmt of 130 bytes", riff({chunk("fmt ", fmtBody(1, 2, 22050, 16, 114)), data}), "Bad fmt chunk size 130 while reading ByteArrayInputStream", 0, 0, 0},
		{"three channels", riff({chunk("fmt ", fmtBody(1, 3, 22050, 16)), data}), "Unsupported count of channels 3 while reading ByteArrayInputStream", 0, 0, 0},
		{"24 bits", riff({chunk("fmt ", fmtBody(1, 2, 22050, 24)), data}), "Unsupported bits per sample 24 while reading ByteArrayInputStream", 0, 0, 0},
		{"not RIFF", Bytes(40, 'R'), "Only RIFF/WAVE sounds are currently supported while reading ByteArrayInputStream", 0, 0, 0},
		{"truncated fmt", slice(riff({fmt, data}), 0, 30), "Failed to read 16 bytes from ByteArrayInputStream", 0, 0, 0},
	};
}

/** The whole decode of data by the decoder library, fed in one piece. */
Bytes referenceDecode(Bytes const& data)
{
	mpg123_init();
	int error = 0;
	mpg123_handle* h = mpg123_new(nullptr, &error);
	mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
	mpg123_open_feed(h);
	mpg123_feed(h, data.data(), data.size());
	Bytes out;
	for (;;)
	{
		unsigned char buf[4096];
		size_t done = 0;
		int r = mpg123_read(h, buf, sizeof(buf), &done);
		out.insert(out.end(), buf, buf + done);
		if (r != MPG123_OK && r != MPG123_NEW_FORMAT)
			break;
	}
	mpg123_delete(h);
	return out;
}

Bytes readAt(AudioReader& reader, int offset, int bytes)
{
	Bytes out(static_cast<size_t>(bytes));
	out.resize(static_cast<size_t>(reader.readData(out.data(), offset, bytes)));
	return out;
}


Bytes const& mp3Stereo()
{
	static Bytes const file = soundgen::mp3(soundgen::sine(2, 16, 22050, 6000, 440.0, 0.5), 2, 22050, 64);
	return file;
}

} // namespace

TEST(AudioReaderWav, HeaderTable)
{
	for (WavCase const& c : wavCases())
	{
		SCOPED_TRACE(c.label);
		if (!c.error.empty())
		{
			EXPECT_EQ(c.error, ioMessage([&] { AudioReader r(stream(c.file), io::FILEFORMAT_WAV); }));
			continue;
		}
		AudioReader r(stream(c.file), io::FILEFORMAT_WAV);
		EXPECT_EQ(1, r.audioFormat());
		EXPECT_EQ(c.channels, r.channels());
		EXPECT_EQ(c.bits, r.bitsPerSample());
		EXPECT_EQ(c.dataSize, r.dataSize());
		if (c.dataSize > 0)
		{
			EXPECT_EQ(slice(c.channels == 2 ? pcm16 : soundgen::ramp(1, 8, 30, 0, 3), 0, 1000), readAt(r, 0, 1000));
		}
	}
}

TEST(AudioReaderWav, ReadsStopAtTheEndOfTheData)
{
	AudioReader r(stream(soundgen::wav(pcm16, 2, 16, 22050)), io::FILEFORMAT_WAV);
	EXPECT_EQ(slice(pcm16, 96, 4), readAt(r, 96, 10));
	EXPECT_EQ(slice(pcm16, 40, 10), readAt(r, 40, 10));
	EXPECT_TRUE(readAt(r, 100, 10).empty());
	EXPECT_TRUE(readAt(r, 5000, 10).empty());
}

TEST(AudioReaderRaw, MemoryClipFormat)
{
	lang::Ptr<audio::AudioClip> clip = memoryClip(pcm16, 2, 16, 22050);
	EXPECT_EQ(4, clip->blockAlign());
	EXPECT_EQ(88200, clip->byteRate());
	EXPECT_EQ(100, clip->dataSize());
	EXPECT_EQ(1, clip->audioFormat());

	EXPECT_EQ("Unsupported count of channels while reading ByteArrayInputStream",
		message([] { memoryClip(pcm16, 0, 16); }));
	EXPECT_EQ("Unsupported audio file format while reading ByteArrayInputStream",
		ioMessage([] { AudioReader r(stream(pcm16), io::FILEFORMAT_PNG); }));
}

TEST(AudioReaderMp3, ReadsEqualTheDecoderAfterSeeks)
{
	Bytes const ref = referenceDecode(mp3Stereo());
	ASSERT_GT(ref.size(), 20000u);
	AudioReader r(stream(mp3Stereo()), io::FILEFORMAT_MP3);
	EXPECT_EQ(2, r.channels());
	EXPECT_EQ(16, r.bitsPerSample());
	EXPECT_EQ(22050, r.sampleRate());
	EXPECT_EQ(-1, r.dataSize());

	Bytes sequential;
	for (int offset = 0;; offset += 1000)
	{
		Bytes b = readAt(r, offset, 1000);
		if (b.empty())
			break;
		sequential.insert(sequential.end(), b.begin(), b.end());
	}
	EXPECT_EQ(ref, sequential);

	// Backwards into the first frames, far back, forwards, and past the end.
	for (int offset : {4, 4000, 20000, 8, 12000, 12004, 0, 5000})
	{
		SCOPED_TRACE(offset);
		EXPECT_EQ(slice(ref, static_cast<size_t>(offset), 3000), readAt(r, offset, 3000));
	}
	EXPECT_TRUE(readAt(r, static_cast<int>(ref.size()) + 400, 100).empty());
}

TEST(AudioReaderMp3, TwoInstancesAndALoopOfOneStreamedClip)
{
	Bytes const ref = referenceDecode(mp3Stereo());
	lang::Ptr<audio::AudioClip> clip = streamedClip(mp3Stereo(), io::FILEFORMAT_MP3);
	audio::AudioClipInstance a(clip, 1.f, 0, 0, false);
	audio::AudioClipInstance b(clip, 1.f, 1, 0, true);
	Bytes gotA, gotB;
	Bytes buf(4096);
	for (int i = 0; i < 1000 && gotB.size() < 2 * ref.size(); ++i)
	{
		int n = a.fetchData(buf.data(), 4096);
		gotA.insert(gotA.end(), buf.begin(), buf.begin() + n);
		n = b.fetchData(buf.data(), 2048);
		gotB.insert(gotB.end(), buf.begin(), buf.begin() + n);
	}
	EXPECT_EQ(ref, gotA);
	EXPECT_TRUE(a.ended());
	Bytes twice = ref;
	twice.insert(twice.end(), ref.begin(), ref.end());
	EXPECT_EQ(twice, slice(gotB, 0, twice.size()));
	EXPECT_FALSE(b.ended());
}

TEST(AudioReaderMp3, StreamsWithoutMp3DataFail)
{
	for (Bytes const& data : {Bytes(), Bytes(5000, 0), soundgen::wav(pcm16, 2, 16, 22050), slice(mp3Stereo(), 0, 100)})
		EXPECT_EQ("Failed to read MP3 header while reading ByteArrayInputStream",
			ioMessage([&] { AudioReader r(stream(data), io::FILEFORMAT_MP3); }));
}
