#include "ReportDecoder.h"
#include "TallyFixture.h"
#include <TallyArchiver.h>
#include <TallyEvent.h>
#include <TallyProtocolData.h>
#include <TallyUnarchiver.h>
#include <functional>
#include <lang/Exception.h>
#include <support/ExactNumbers.h>

namespace
{

using P = TallyProtocolData;

std::string hex(std::string const& bytes)
{
	static char const digits[] = "0123456789ABCDEF";
	std::string out;
	for (unsigned char b : bytes)
	{
		out += digits[b >> 4];
		out += digits[b & 15];
	}
	return out;
}

std::string repeat(std::string const& piece, int n)
{
	std::string out;
	for (int i = 0; i < n; ++i)
		out += piece;
	return out;
}

} // namespace

TEST(TallyProtocolData, primitives)
{
	struct Case
	{
		char const* what;
		std::function<void(std::string&)> append;
		std::string expected;
	};
	std::string const emoji = "\xF0\x9F\x98\x80"; // two UTF-16 units
	std::vector<Case> cases = {
		{"bool", [](std::string& d) { P::appendBoolean(true, d); }, "01"},
		{"byte", [](std::string& d) { P::appendByte(0xFE, d); }, "FE"},
		{"ushort", [](std::string& d) { P::appendUshort(0xBEEF, d); }, "BEEF"},
		{"int", [](std::string& d) { P::appendInt(-2, d); }, "FFFFFFFE"},
		{"long", [](std::string& d) { P::appendLong(0x0102030405060708LL, d); }, "0102030405060708"},
		{"float 1.0", [](std::string& d) { P::appendFloat(1.0f, d); }, "3F800000"},
		{"double -2.5", [](std::string& d) { P::appendDouble(-2.5, d); }, "C004000000000000"},
		{"timestamp 1.9999 s", [](std::string& d) { P::appendTimestamp(1999900, d); }, "00000000000007CF"},
		{"timestamp before 1970", [](std::string& d) { P::appendTimestamp(-1500, d); }, "FFFFFFFFFFFFFFFF"},
		{"timestamp none", [](std::string& d) { P::appendTimestamp(std::nullopt, d); }, "0000000000000000"},
		{"string", [](std::string& d) { P::appendString("ab", d); }, "00026162"},
		{"empty string", [](std::string& d) { P::appendString("", d); }, "0000"},
		{"255 chars uncut", [](std::string& d) { P::appendString(std::string(255, 'x'), d); }, "00FF" + hex(std::string(255, 'x'))},
		{"256 chars cut", [](std::string& d) { P::appendString(std::string(256, 'x'), d); }, "00FF" + hex(std::string(255, 'x'))},
		{"300 chars cut", [](std::string& d) { P::appendString(std::string(300, 'y'), d); }, "00FF" + hex(std::string(255, 'y'))},
		{"100 two-byte chars", [](std::string& d) { P::appendString(repeat("\xC3\xA9", 100), d); }, "00C8" + hex(repeat("\xC3\xA9", 100))},
		{"300 two-byte chars", [](std::string& d) { P::appendString(repeat("\xC3\xA9", 300), d); }, "01FE" + hex(repeat("\xC3\xA9", 255))},
		{"emoji across the cut", [&](std::string& d) { P::appendString(std::string(254, 'a') + emoji + "b", d); }, "00FE" + hex(std::string(254, 'a'))},
		{"emoji before the cut", [&](std::string& d) { P::appendString(std::string(253, 'a') + emoji + "bc", d); },
		 "0101" + hex(std::string(253, 'a') + emoji)},
		{"invalid byte", [](std::string& d) { P::appendString("a\xFF" "b", d); }, "0005" "61EFBFBD62"},
		{"lone continuation and truncated sequence", [](std::string& d) { P::appendString("\x80\xE2\x82", d); }, "0009" "EFBFBDEFBFBDEFBFBD"},
		{"tiny data 300 bytes", [](std::string& d) { P::appendTinyData(std::string(300, '\x11'), d); }, "2C" + hex(std::string(44, '\x11'))},
		{"short data", [](std::string& d) { P::appendShortData(std::string(3, '\x22'), d); }, "0003222222"},
	};
	for (Case const& c : cases)
	{
		std::string data = "\x7F";
		c.append(data);
		EXPECT_EQ("7F" + c.expected, hex(data)) << c.what;
	}

	std::string data = "x";
	EXPECT_THROW(P::appendShortData(std::string(65536, 'z'), data), lang::Exception);
	EXPECT_EQ("x", data);
	EXPECT_NO_THROW(P::appendShortData(std::string(65535, 'z'), data));
	EXPECT_EQ(1u + 2u + 65535u, data.size());

	EXPECT_EQ(0, P::timeIntervalFrom(std::nullopt, 5));
	EXPECT_EQ(0, P::timeIntervalFrom(5, std::nullopt));
	EXPECT_EQ(2000, P::timeIntervalFrom(1000000, 3000900));
	EXPECT_EQ(-1, P::timeIntervalFrom(3000000, 2998001));
}

TEST(TallyProtocolData, checksumOfTheTestDecoder)
{
	EXPECT_EQ(0xCBF43926u, reportcheck::crc32("123456789"));
	std::string data = "123456789";
	TallyReport::appendSessionsDataChecksum(data);
	EXPECT_EQ("313233343536373839CBF43926", hex(data));
}

using TallyEventTest = TallyTest;

TEST_F(TallyEventTest, blocksAndArchive)
{
	TallyDate sessionStart = s_now;
	advance(1500000);
	lang::Ptr<TallyEvent> late(new TallyEvent("late", true, std::map<std::string, std::string>{{"k", "v"}, {"a", "b"}}));
	advance(2000900);
	late->setEnded(s_now.load());
	lang::Ptr<TallyEvent> untimed(new TallyEvent("plain"));
	untimed->setEnded(s_now + 5000000);

	EXPECT_EQ(1500, late->startOffsetFromSessionStart(sessionStart));
	EXPECT_EQ(-3500, untimed->startOffsetFromSessionStart(s_now + 1500000 + 2000000));
	EXPECT_EQ(2000, late->duration());
	EXPECT_EQ(0, untimed->duration());
	EXPECT_FALSE(late->isUnterminated());
	EXPECT_EQ(1, late->eventLogId());
	EXPECT_EQ(2, untimed->eventLogId());

	// Offsets beyond 24.8 days keep 64 bits.
	TallyDate monthEarlier = sessionStart - 30LL * 24 * 3600 * 1000000;
	EXPECT_EQ(30LL * 24 * 3600 * 1000 + 1500, late->startOffsetFromSessionStart(monthEarlier));

	std::string block = late->dataRelativeToSessionStart(sessionStart);
	reportcheck::Cursor read(block);
	EXPECT_EQ(1, read.u16());
	EXPECT_EQ("late", read.text());
	EXPECT_EQ(2, read.u16());
	EXPECT_EQ("a", read.text());
	EXPECT_EQ("b", read.text());
	EXPECT_EQ("k", read.text());
	EXPECT_EQ("v", read.text());
	EXPECT_EQ(1500, read.i64());
	EXPECT_EQ(2000, read.i64());
	EXPECT_EQ(0u, read.left());

	for (lang::Ptr<TallyEvent> const& event : {late, untimed})
	{
		event->setAutomaticallyEnded(true);
		TallyArchiver coder;
		event->encodeWithCoder(coder);
		lang::Ptr<TallyEvent> back = TallyEvent::initWithCoder(TallyUnarchiver::parse(coder.text()));
		EXPECT_EQ(event->dataRelativeToSessionStart(sessionStart), back->dataRelativeToSessionStart(sessionStart));
		EXPECT_EQ(event->parameters(), back->parameters());
		EXPECT_TRUE(back->automaticallyEnded());
		EXPECT_EQ(event->ended(), back->ended());
	}
	// No parameters differs from empty parameters.
	lang::Ptr<TallyEvent> empty(new TallyEvent("e", false, std::map<std::string, std::string>{}));
	TallyArchiver coder;
	empty->encodeWithCoder(coder);
	EXPECT_TRUE(TallyEvent::initWithCoder(TallyUnarchiver::parse(coder.text()))->parameters().has_value());
	EXPECT_FALSE(untimed->parameters().has_value());
}

// The archive (the stored sessions and events) keeps every number exactly.
TEST(TallyArchive, NumbersReadBackBitForBit)
{
	std::vector<double> const numbers = test::exactNumbers();
	TallyArchiver coder;
	for (size_t i = 0; i < numbers.size(); ++i)
		coder.encodeReal(("r" + std::to_string(i)).c_str(), numbers[i]);
	int64_t const integers[] = {INT64_C(9007199254740992), -INT64_C(9007199254740992), INT64_C(1) << 52, 123456789012345};
	for (size_t i = 0; i < std::size(integers); ++i)
		coder.encodeInteger(("i" + std::to_string(i)).c_str(), integers[i]);
	TallyUnarchiver const back = TallyUnarchiver::parse(coder.text());
	for (size_t i = 0; i < numbers.size(); ++i)
		EXPECT_TRUE(test::sameBits(numbers[i], back.decodeReal(("r" + std::to_string(i)).c_str()))) << coder.text();
	for (size_t i = 0; i < std::size(integers); ++i)
		EXPECT_EQ(integers[i], back.decodeInteger(("i" + std::to_string(i)).c_str(), INT64_MIN, INT64_MAX)) << coder.text();
}
