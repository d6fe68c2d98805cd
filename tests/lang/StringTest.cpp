#include <gtest/gtest.h>
#include <lang/String.h>
#include <lang/UTFConverter.h>
#include <string>
#include <vector>

using lang::UTFConverter;

namespace
{

typedef std::vector<unsigned char> Bytes;

} // namespace

TEST(String, trimTable)
{
	struct
	{
		char const* in;
		char const* out;
	} const cases[] = {
		{" \t\r\n", ""},
		{"", ""},
		{" a b ", "a b"},
		{"\n\tx\r", "x"},
		{"x", "x"},
		{"\va\v", "\va\v"},
	};
	for (auto const& c : cases)
		EXPECT_EQ(c.out, lang::string::trim(c.in)) << '"' << c.in << '"';
}

TEST(String, splitTable)
{
	typedef std::vector<std::string> V;
	struct
	{
		char const* in;
		char const* delimiter;
		V out;
	} const cases[] = {
		{"a,,b", ",", V{"a", "", "b"}},
		{"", ",", V{""}},
		{"a", "a", V{"", ""}},
		{"one::two::", "::", V{"one", "two", ""}},
		{"a:b", "::", V{"a:b"}},
		{"aaa", "aa", V{"", "a"}},
		{"a,b", "", V{"a,b"}},
		{"", "", V{""}},
	};
	for (auto const& c : cases)
		EXPECT_EQ(c.out, lang::string::split(c.in, c.delimiter)) << '"' << c.in << "\" at \"" << c.delimiter << '"';
}

TEST(String, caseConversionLeavesHighBytes)
{
	std::string const s = "aZ\x80\xC3\xA9\xFF!";
	EXPECT_EQ("az\x80\xC3\xA9\xFF!", lang::string::tolower(s));
	EXPECT_EQ("AZ\x80\xC3\xA9\xFF!", lang::string::toupper(s));
}

TEST(UTFConverter, decodeTable)
{
	struct
	{
		UTFConverter::EncodingType type;
		Bytes in;
		bool ok;
		int consumed;
		int codepoint;
	} const cases[] = {
		{UTFConverter::ENCODING_ASCII, {0xE9}, true, 1, 0xE9},
		{UTFConverter::ENCODING_ASCII, {}, false, 0, 0},
		{UTFConverter::ENCODING_UTF8, {'A'}, true, 1, 'A'},
		{UTFConverter::ENCODING_UTF8, {0xC3, 0xA9}, true, 2, 0xE9},
		{UTFConverter::ENCODING_UTF8, {0xE2, 0x82, 0xAC}, true, 3, 0x20AC},
		{UTFConverter::ENCODING_UTF8, {0xF0, 0x9F, 0x98, 0x80}, true, 4, 0x1F600},
		{UTFConverter::ENCODING_UTF8, {}, false, 0, 0},
		// Lone continuation byte.
		{UTFConverter::ENCODING_UTF8, {0x80}, false, 1, 0},
		{UTFConverter::ENCODING_UTF8, {0xBF, 'a'}, false, 1, 0},
		// Truncated sequences.
		{UTFConverter::ENCODING_UTF8, {0xF0, 0x9F}, false, 1, 0},
		{UTFConverter::ENCODING_UTF8, {0xE2, 0x82}, false, 1, 0},
		{UTFConverter::ENCODING_UTF8, {0xC3}, false, 1, 0},
		// Leads of five or more bytes.
		{UTFConverter::ENCODING_UTF8, {0xF8, 0x80, 0x80, 0x80, 0x80}, false, 1, 0},
		{UTFConverter::ENCODING_UTF8, {0xFF}, false, 1, 0},
		// Lenient: continuation bytes unchecked, overlong and surrogate values accepted.
		{UTFConverter::ENCODING_UTF8, {0xC3, 0x29}, true, 2, 0xE9},
		{UTFConverter::ENCODING_UTF8, {0xC0, 0x80}, true, 2, 0},
		{UTFConverter::ENCODING_UTF8, {0xED, 0xA0, 0x80}, true, 3, 0xD800},
		// UTF-16.
		{UTFConverter::ENCODING_UTF16LE, {0xAC, 0x20}, true, 2, 0x20AC},
		{UTFConverter::ENCODING_UTF16BE, {0x20, 0xAC}, true, 2, 0x20AC},
		{UTFConverter::ENCODING_UTF16, {0xAC, 0x20}, true, 2, 0x20AC},
		{UTFConverter::ENCODING_UTF16LE, {0x3D, 0xD8, 0x00, 0xDE}, true, 4, 0x1F600},
		{UTFConverter::ENCODING_UTF16BE, {0xD8, 0x3D, 0xDE, 0x00}, true, 4, 0x1F600},
		{UTFConverter::ENCODING_UTF16LE, {0x3D, 0xD8, 0x00}, false, 2, 0},
		{UTFConverter::ENCODING_UTF16LE, {0x3D}, false, 0, 0},
		{UTFConverter::ENCODING_UTF16LE, {0x00, 0xDC}, true, 2, 0xDC00},
		// UTF-32.
		{UTFConverter::ENCODING_UTF32LE, {0x00, 0xF6, 0x01, 0x00}, true, 4, 0x1F600},
		{UTFConverter::ENCODING_UTF32, {0x00, 0xF6, 0x01, 0x00}, true, 4, 0x1F600},
		{UTFConverter::ENCODING_UTF32BE, {0x00, 0x01, 0xF6, 0x00}, true, 4, 0x1F600},
		{UTFConverter::ENCODING_UTF32BE, {0x00, 0x01, 0xF6}, false, 0, 0},
		// Unknown encoding.
		{static_cast<UTFConverter::EncodingType>(9), {'a'}, false, 0, 0},
	};
	int row = 0;
	for (auto const& c : cases)
	{
		SCOPED_TRACE(row++);
		// Exactly sized heap copy: reading past the end shows under the address sanitizer.
		unsigned char* data = new unsigned char[c.in.size() + 1];
		std::copy(c.in.begin(), c.in.end(), data);
		int consumed = -1;
		int cp = 0;
		bool ok = UTFConverter(c.type).decode(data, data + c.in.size(), &consumed, &cp);
		EXPECT_EQ(c.ok, ok);
		EXPECT_EQ(c.consumed, consumed);
		if (c.ok)
		{
			EXPECT_EQ(c.codepoint, cp);
		}
		delete[] data;
	}
}

TEST(UTFConverter, encodeTable)
{
	struct
	{
		UTFConverter::EncodingType type;
		int codepoint;
		int room;
		Bytes out;
	} const cases[] = {
		{UTFConverter::ENCODING_ASCII, 'a', 1, {'a'}},
		{UTFConverter::ENCODING_ASCII, 0x80, 4, {}},
		{UTFConverter::ENCODING_ASCII, 'a', 0, {}},
		{UTFConverter::ENCODING_UTF8, 0x7F, 1, {0x7F}},
		{UTFConverter::ENCODING_UTF8, 0xE9, 2, {0xC3, 0xA9}},
		{UTFConverter::ENCODING_UTF8, 0x20AC, 3, {0xE2, 0x82, 0xAC}},
		{UTFConverter::ENCODING_UTF8, 0x1F600, 4, {0xF0, 0x9F, 0x98, 0x80}},
		{UTFConverter::ENCODING_UTF8, 0x1FFFFF, 4, {0xF7, 0xBF, 0xBF, 0xBF}},
		{UTFConverter::ENCODING_UTF8, 0x200000, 8, {}},
		{UTFConverter::ENCODING_UTF8, 0x20AC, 2, {}},
		{UTFConverter::ENCODING_UTF8, 0x1F600, 3, {}},
		{UTFConverter::ENCODING_UTF8, -1, 8, {}},
		{UTFConverter::ENCODING_UTF16LE, 0x20AC, 2, {0xAC, 0x20}},
		{UTFConverter::ENCODING_UTF16BE, 0x20AC, 2, {0x20, 0xAC}},
		{UTFConverter::ENCODING_UTF16LE, 0x1F600, 4, {0x3D, 0xD8, 0x00, 0xDE}},
		{UTFConverter::ENCODING_UTF16, 0x1F600, 4, {0x3D, 0xD8, 0x00, 0xDE}},
		{UTFConverter::ENCODING_UTF16BE, 0x10FFFF, 4, {0xDB, 0xFF, 0xDF, 0xFF}},
		{UTFConverter::ENCODING_UTF16LE, 0x1F600, 2, {}},
		{UTFConverter::ENCODING_UTF16LE, 'a', 1, {}},
		{UTFConverter::ENCODING_UTF16LE, 0x110000, 8, {}},
		{UTFConverter::ENCODING_UTF32LE, 0x1F600, 4, {0x00, 0xF6, 0x01, 0x00}},
		{UTFConverter::ENCODING_UTF32BE, 0x1F600, 4, {0x00, 0x01, 0xF6, 0x00}},
		{UTFConverter::ENCODING_UTF32, 'a', 3, {}},
		// Negative values: no code point, except as the raw word of UTF-32.
		{UTFConverter::ENCODING_ASCII, -1, 4, {}},
		{UTFConverter::ENCODING_UTF16LE, -1, 8, {}},
		{UTFConverter::ENCODING_UTF32BE, -2, 4, {0xFF, 0xFF, 0xFF, 0xFE}},
		{static_cast<UTFConverter::EncodingType>(0), 'a', 8, {}},
	};
	int row = 0;
	for (auto const& c : cases)
	{
		SCOPED_TRACE(row++);
		unsigned char* data = new unsigned char[static_cast<size_t>(c.room) + 1];
		int written = -1;
		bool ok = UTFConverter(c.type).encode(data, data + c.room, &written, c.codepoint);
		EXPECT_EQ(!c.out.empty(), ok);
		EXPECT_EQ(static_cast<int>(c.out.size()), written);
		EXPECT_EQ(c.out, Bytes(data, data + (ok ? written : 0)));
		delete[] data;
	}
}

TEST(String, utfStringConversions)
{
	typedef std::basic_string<unsigned short> U16;
	typedef std::basic_string<unsigned int> U32;
	std::string const utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";

	EXPECT_EQ((U16{'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}), lang::string::toUTF16string(utf8));
	EXPECT_EQ((U32{'a', 0xE9, 0x20AC, 0x1F600}), lang::string::toUTF32string(utf8));
	EXPECT_EQ(utf8, lang::string::toUTF8string(U16{'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
	EXPECT_EQ(utf8, lang::string::toUTF8string(U32{'a', 0xE9, 0x20AC, 0x1F600}));

	// Bytes that do not decode are skipped one at a time; truncated tails too.
	EXPECT_EQ((U32{'a', 'b', 'c'}), lang::string::toUTF32string("a\x80" "bc\xF0\x9F"));
	EXPECT_EQ((U16{'x'}), lang::string::toUTF16string("x\xF0\x9F\x98"));
	// A high surrogate as the last unit is dropped.
	EXPECT_EQ("ab", lang::string::toUTF8string(U16{'a', 'b', 0xD83D}));
	// Elements of 0x200000 and above, negative as int included, give nothing.
	EXPECT_EQ("ab", lang::string::toUTF8string(U32{'a', 0x200000, 0xFFFFFFFFu, 'b'}));
	// A four-byte form beyond 0x10FFFF has no UTF-16 form.
	EXPECT_EQ((U16{'a'}), lang::string::toUTF16string("a\xF7\xBF\xBF\xBF"));
}
