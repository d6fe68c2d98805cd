#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <lang/Format.h>
#include <lang/FormatException.h>
#include <lang/Integer.h>
#include <string>
#include <vector>

namespace
{

struct FormatCase
{
	char const* pattern;
	std::vector<lang::Formattable> args;
	int size;
	char const* text;
	int result;
};

lang::Format makeFormat(char const* pattern, std::vector<lang::Formattable> const& a)
{
	switch (a.size())
	{
	case 0: return lang::Format(pattern);
	case 1: return lang::Format(pattern, a[0]);
	case 2: return lang::Format(pattern, a[0], a[1]);
	case 3: return lang::Format(pattern, a[0], a[1], a[2]);
	default: return lang::Format(pattern, a[0], a[1], a[2], a[3]);
	}
}

} // namespace

TEST(Format, patternsTable)
{
	FormatCase const cases[] = {
		// Plain text, escapes and stray braces.
		{"Load {0} failed", {"a.png"}, 100, "Load a.png failed", 18},
		{"\\{0}", {1.0}, 100, "{0}", 4},
		{"\\\\", {}, 100, "\\", 2},
		{"\\a\\}", {}, 100, "a}", 3},
		{"x\\", {}, 100, "x", 2},
		{"{", {}, 100, "{", 2},
		{"a}b", {}, 100, "a}b", 4},
		{"", {}, 100, "", 1},
		// Argument selection: one digit only, the rest is the argument's pattern.
		{"{1}-{0}", {"a", "b"}, 100, "b-a", 4},
		{"{12}", {"a", "b"}, 100, "b", 2},
		{"{0,x}", {"text"}, 100, "text", 5},
		{"[{0}]", {lang::Formattable()}, 100, "[]", 3},
		{"{0}{1}{2}{3}", {"a", "b", "c", "d"}, 100, "abcd", 5},
		// Numbers.
		{"{0}", {7.0}, 100, "7", 2},
		{"{0,}", {1234567.0}, 100, "1.23457e+06", 12},
		{"{0,x}", {255.0}, 100, "ff", 3},
		{"{0,X}", {255.0}, 100, "FF", 3},
		{"{0x}", {255.0}, 100, "ff", 3},
		{"{0,4x}", {10.0}, 100, "a", 2},
		{"{0,00.0x}", {10.0}, 100, "a", 2},
		{"{0,x}", {-5.0}, 100, "0", 2},
		{"{0,x}", {1e20}, 100, "ffffffff", 9},
		{"{0,d}", {-2.7}, 100, "-2", 3},
		{"{0,i}", {3.9}, 100, "3", 2},
		{"{0,d}", {1e20}, 100, "2147483647", 11},
		{"{0,d}", {-1e20}, 100, "-2147483648", 12},
		{"{0,0.00}", {3.14159}, 100, "3.14", 5},
		{"{0,000}", {7.0}, 100, "007", 4},
		{"{0,#.##}", {3.14159}, 100, "3.14", 5},
		{"{0,#}", {2.7}, 100, "3", 2},
		{"{0,.0}", {1.0}, 100, "1.0", 4},
		{"{0,00.#}", {-1.25}, 100, "-1.2", 5},
		// Truncation: the loop stops once the buffer is full.
		{"Load {0} failed", {"a.png"}, 6, "Load ", 11},
		{"abc", {}, 4, "abc", 4},
		{"abc", {}, 3, "ab", 4},
		{"abcdef", {}, 1, "", 2},
		{"{0}xyz", {"abcdef"}, 4, "abc", 7},
	};

	for (FormatCase const& c : cases)
	{
		SCOPED_TRACE(c.pattern);
		lang::Format const f = makeFormat(c.pattern, c.args);
		std::vector<char> buf(static_cast<size_t>(c.size) + 8, '#');
		EXPECT_EQ(c.result, f.format(buf.data(), c.size));
		EXPECT_STREQ(c.text, buf.data());
		// Nothing is written beyond the buffer's size.
		for (size_t i = static_cast<size_t>(c.size); i < buf.size(); ++i)
			EXPECT_EQ('#', buf[i]);
	}
}

TEST(Format, sizeZeroWritesNothing)
{
	char buf[4] = {'#', '#', '#', '#'};
	EXPECT_EQ(1, lang::Format("Load {0} failed", "a.png").format(buf, 0));
	EXPECT_EQ(1, lang::Format("{9}").format(buf, 0));
	EXPECT_EQ(0, memcmp(buf, "####", 4));
}

TEST(Format, stringFormReturnsTheWholeText)
{
	EXPECT_EQ("Load a.png failed", lang::Format("Load {0} failed", "a.png").format());
	std::string const big(5000, 'z');
	EXPECT_EQ("<" + big + ">", lang::Format("<{0}>", big).format());
}

TEST(Format, numbersLongerThanAScratchBufferAreNotCut)
{
	struct
	{
		char const* pattern;
		double value;
		char const* printfFormat;
	} const cases[] = {
		{"{0,#.########################################}", 1e30, "%.40f"},
		{"{0,00000000000000000000000000000000000000000000000000}", 12.0, "%050.0f"},
		{"{0,#}", 1e300, "%.0f"},
		{"{0}", -1.5e-300, "%g"},
	};
	for (auto const& c : cases)
	{
		SCOPED_TRACE(c.pattern);
		char expected[512];
		int len = snprintf(expected, sizeof(expected), c.printfFormat, c.value);
		ASSERT_GT(len, 0);
		EXPECT_EQ(expected, lang::Format(c.pattern, c.value).format());

		// Cut into a small buffer: the prefix, a NUL, and the full length + 1.
		char small[10];
		EXPECT_EQ(len + 1, lang::Format(c.pattern, c.value).format(small, sizeof(small)));
		EXPECT_EQ(std::string(expected, std::min<size_t>(9, static_cast<size_t>(len))), small);
	}
}

TEST(Format, malformedPlaceholdersThrowWithThePosition)
{
	struct
	{
		char const* pattern;
		int args;
		char const* message;
		char const* written;
	} const cases[] = {
		{"{}", 1, "Failed to format \"{}\", argument index not found at 1", ""},
		{"{a}", 1, "Failed to format \"{a}\", digit expected at 1", ""},
		{"{0", 1, "Failed to format \"{0\", '}' not found after 1", ""},
		{"{1}", 1, "Failed to format \"{1}\", invalid argument index at 1", ""},
		{"ab{c}", 1, "Failed to format \"ab{c}\", digit expected at 3", "ab"},
		{"x{0}", 0, "Failed to format \"x{0}\", invalid argument index at 2", "x"},
		{"{0}\\{{ ", 1, "Failed to format \"{0}\\{{ \", '}' not found after 6", "v{"},
	};
	for (auto const& c : cases)
	{
		SCOPED_TRACE(c.pattern);
		lang::Format const f = c.args ? lang::Format(c.pattern, "v") : lang::Format(c.pattern);
		char buf[32];
		memset(buf, '#', sizeof(buf));
		bool thrown = false;
		try
		{
			f.format(buf, sizeof(buf));
		}
		catch (lang::FormatException const& e)
		{
			thrown = true;
			EXPECT_EQ(c.message, e.getMessage().format());
		}
		EXPECT_TRUE(thrown);
		// Only what was produced before the error is in the buffer.
		size_t const n = strlen(c.written);
		EXPECT_EQ(0, memcmp(buf, c.written, n));
		EXPECT_EQ('#', buf[n]);
	}
}

TEST(Integer, parseReadsBase10AndReportsTheEnd)
{
	char const* text = "-42px";
	char const* end = nullptr;
	EXPECT_EQ(-42, lang::Integer::parse(text, &end));
	EXPECT_EQ(text + 3, end);
	EXPECT_EQ(0, lang::Integer::parse("px", &end));
	EXPECT_EQ(2147483647, lang::Integer::parse("99999999999", &end));
}
