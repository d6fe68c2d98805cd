#include "ThrownMessage.h"
#include <gtest/gtest.h>
#include <io/ByteArrayInputStream.h>
#include <io/ByteArrayOutputStream.h>
#include <io/DataInputStream.h>
#include <io/IOException.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

namespace
{

/** Stream of unknown size that hands out at most `chunk` bytes per read. */
class TrickleStream : public io::InputStream
{
public:
	TrickleStream(std::string data, int chunk) : io::InputStream(lang::Ptr<io::InputStream>()), m_data(std::move(data)), m_chunk(chunk) {}

	int read(void* buf, int size) override
	{
		int n = std::min({size, m_chunk, static_cast<int>(m_data.size() - m_pos)});
		memcpy(buf, m_data.data() + m_pos, static_cast<size_t>(n));
		m_pos += static_cast<size_t>(n);
		reads.push_back(n);
		return n;
	}
	int skip(int) override { return 0; }
	bool seek(int, SeekMode) override { return false; }
	int available() const override { return m_avail; }
	std::string toString() const override { return "trickle"; }

	std::vector<int> reads;
	int m_avail = -1;

private:
	std::string m_data;
	size_t m_pos = 0;
	int m_chunk;
};

std::string bytes(std::initializer_list<int> b)
{
	std::string s;
	for (int c : b)
		s += static_cast<char>(c);
	return s;
}

} // namespace

TEST(ByteArrayInputStream, readSkipSeek)
{
	char src[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
	io::ByteArrayInputStream in(src, 10);
	char buf[4];
	EXPECT_EQ(4, in.read(buf, 4));
	EXPECT_EQ(4, in.skip(4));
	EXPECT_EQ(2, in.read(buf, 4));
	EXPECT_EQ(8, buf[0]);
	EXPECT_EQ(0, in.read(buf, 4));
	EXPECT_EQ(0, in.available());

	EXPECT_TRUE(in.seek(-3, io::InputStream::SEEK_END));
	EXPECT_EQ(3, in.available());
	EXPECT_TRUE(in.seek(2, io::InputStream::SEEK_BEGIN));
	EXPECT_TRUE(in.seek(1, io::InputStream::SEEK_CURRENT));
	EXPECT_EQ(7, in.available());
	EXPECT_EQ("ByteArrayInputStream", in.toString());

	io::ByteArrayInputStream zeros(nullptr, 3);
	EXPECT_EQ(3, zeros.available());
	EXPECT_EQ(0, zeros.data()[2]);
	EXPECT_EQ(nullptr, io::ByteArrayInputStream().data());
}

TEST(ByteArrayInputStream, positionsFromDataNeverLeaveTheBuffer)
{
	io::ByteArrayInputStream in("abcdef", 6);
	EXPECT_FALSE(in.seek(100, io::InputStream::SEEK_BEGIN));
	EXPECT_EQ(0, in.available());
	EXPECT_FALSE(in.seek(-100, io::InputStream::SEEK_CURRENT));
	EXPECT_EQ(6, in.available());
	EXPECT_FALSE(in.seek(1, io::InputStream::SEEK_END));
	EXPECT_FALSE(in.seek(-7, io::InputStream::SEEK_END));
	EXPECT_TRUE(in.seek(2, io::InputStream::SEEK_BEGIN));
	EXPECT_EQ(0, in.skip(-5));
	EXPECT_EQ(4, in.skip(1000));
	EXPECT_EQ(0, in.available());
	char buf[1];
	EXPECT_THROW(in.read(buf, -1), io::IOException);
	EXPECT_THROW(in.reset(nullptr, -1), io::IOException);
}

TEST(ByteArrayInputStream, drainsUntilTheSourceEnds)
{
	std::string data(2500, 'x');
	data[2499] = 'y';
	// Unknown size, and a known size that is wrong in both directions: all
	// of the data is kept and nothing is padded.
	for (int avail : {-1, 100, 2500, 4000})
	{
		TrickleStream src(data, 1024);
		src.m_avail = avail;
		io::ByteArrayInputStream in(src);
		ASSERT_EQ(2500, in.available()) << avail;
		EXPECT_EQ(0, memcmp(data.data(), in.data(), 2500));
		EXPECT_EQ("trickle", in.toString());
		EXPECT_EQ(0, src.reads.back());
		if (avail < 0)
		{
			EXPECT_EQ((std::vector<int>{1024, 1024, 452, 0}), src.reads);
		}
	}
	TrickleStream slow(data, 7);
	io::ByteArrayInputStream in(slow);
	EXPECT_EQ(2500, in.available());
}

TEST(ByteArrayOutputStream, collects)
{
	io::ByteArrayOutputStream out(16);
	out.write("abc", 3);
	out.write("de", 2);
	out.write(nullptr, 0);
	EXPECT_EQ(std::string("abcde"), std::string(out.data().begin(), out.data().end()));
	EXPECT_EQ("ByteArrayOutputStream", out.toString());
	EXPECT_THROW(out.write("x", -1), io::IOException);
}

TEST(DataInputStream, bigEndianValues)
{
	std::string s = bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x3F, 0x80, 0x00, 0x00,
	                       0xC0, 0x00, 0, 0, 0, 0, 0, 0});
	io::ByteArrayInputStream src(s.data(), static_cast<int>(s.size()));
	io::DataInputStream in(src);
	EXPECT_EQ(-2, in.readShort());
	EXPECT_EQ(255, in.readByte());
	EXPECT_EQ(-1, in.readChar());
	EXPECT_EQ(256, in.readInt());
	EXPECT_TRUE(in.readBoolean());
	EXPECT_FALSE(in.readBoolean());
	EXPECT_EQ(1.0f, in.readFloat());
	EXPECT_EQ(-2.0, in.readDouble());
	EXPECT_EQ(0, in.available());
	EXPECT_EQ("Unexpected end of file in ByteArrayInputStream.", ioMessage([&] { in.readByte(); }));
}

TEST(DataInputStream, readFullyGathersShortReads)
{
	TrickleStream src("0123456789", 3);
	io::DataInputStream in(src);
	char buf[10];
	in.readFully(buf, 10);
	EXPECT_EQ(std::string("0123456789"), std::string(buf, 10));
	EXPECT_EQ("Unexpected end of file in trickle.", ioMessage([&] { in.readFully(buf, 1); }));
}

TEST(DataInputStream, text)
{
	std::string s = bytes({0, 3, 'a', 'b', 'c', 0, 0, 0x80, 0});
	io::ByteArrayInputStream src(s.data(), static_cast<int>(s.size()));
	src.reset(s.data(), static_cast<int>(s.size()));
	io::DataInputStream in(src);
	EXPECT_EQ("abc", in.readUTF());
	EXPECT_EQ("", in.readUTF());
	EXPECT_EQ("Invalid UTF-8 data in ByteArrayInputStream.", ioMessage([&] { in.readUTF(); }));

	std::string u = bytes({0, 3, 'a', 'b', 'c'});
	io::ByteArrayInputStream usrc(u.data(), 5);
	io::DataInputStream uin(usrc);
	char buf[4] = {'x', 'x', 'x', 'x'};
	EXPECT_EQ("Too small buffer (3) for UTF-8 data in ByteArrayInputStream.", ioMessage([&] { uin.readUTF(buf, 3); }));
	usrc.seek(0, io::InputStream::SEEK_BEGIN);
	uin.readUTF(buf, 4);
	EXPECT_STREQ("abc", buf);

	std::string chars(600, 'q');
	chars[250] = 0; // ends the text of the second block of 249
	io::ByteArrayInputStream csrc(chars.data(), 600);
	io::DataInputStream cin(csrc);
	EXPECT_EQ(std::string(249 + 1, 'q') + std::string(102, 'q'), cin.readChars(600));
	EXPECT_EQ(0, cin.available());
}
