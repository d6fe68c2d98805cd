#include <lang/Debug.h>
#include <gtest/gtest.h>
#include <string>

namespace
{

size_t count(std::string const& text, std::string const& what)
{
	size_t n = 0;
	for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
		++n;
	return n;
}

} // namespace

// A line longer than the log's buffer keeps what happened, why and its
// newline: the long values inside it are shortened, each with a mark.
TEST(Debug, LongValuesAreShortenedAndTheLineStaysWhole)
{
	std::string const name(5000, 'n');
	std::string const other(3000, 'o');
	std::string const accents = [] {
		std::string s;
		for (int i = 0; i < 1500; ++i)
			s += "\xC3\xA9";
		return s;
	}();
	std::string const literal(2500, 'L');
	struct Row
	{
		char const* what;
		std::string out;
		/** What the line starts and ends with. */
		std::string start;
		std::string end;
		/** How many values were shortened. */
		size_t marks;
	};
	testing::internal::CaptureStdout();
	lang::Debug::printf("WebView: cannot load %s: %s\n", name.c_str(), "no such file");
	lang::Debug::printf("next line\n");
	std::string const first = testing::internal::GetCapturedStdout();
	EXPECT_EQ("next line\n", first.substr(first.find('\n') + 1)) << "the next line is not glued to the long one";

	auto line = [](auto... args) {
		testing::internal::CaptureStdout();
		lang::Debug::printf(args...);
		return testing::internal::GetCapturedStdout();
	};
	Row const rows[] = {
		{"one long value", first.substr(0, first.find('\n') + 1), "WebView: cannot load nnn", "nnn: no such file\n", 1},
		{"two long values around the reason", line("copy %s to %s failed: %s (%d)\n", name.c_str(), other.c_str(), "disk full", 28),
			"copy nnn", "ooo failed: disk full (28)\n", 2},
		{"a short value beside a long one stays whole", line("%s %s=%.3f %5d%%\n", name.c_str(), "short", 1.5, 7), "nnn", "nnn short=1.500     7%\n", 1},
		{"precision and width from the arguments", line("%-*d|%.*s|%s\n", 4, 9, 3, "abcdef", name.c_str()), "9   |abc|nnn", "nnn\n", 1},
		{"UTF-8 values are cut between characters", line("%s\n", accents.c_str()), "\xC3\xA9\xC3\xA9", "\xC3\xA9\xC3\xA9\n", 1},
		{"two long values side by side", line("%s%s\n", literal.c_str(), literal.c_str()), "LLL", "LLL\n", 2},
		{"a number wider than the buffer: the line is cut as a whole", line("%2500d|%s\n", 7, "why"), "   ", "|why\n", 1},
		{"a short line is untouched", line("%s: %lu %c %lld\n", "short", 3ul, 'x', -5ll), "short: 3 x -5\n", "short: 3 x -5\n", 0},
	};
	for (Row const& r : rows)
	{
		SCOPED_TRACE(r.what);
		EXPECT_LE(r.out.size(), size_t(lang::Debug::BUFFER_SIZE - 1));
		EXPECT_EQ(r.start, r.out.substr(0, r.start.size()));
		ASSERT_GE(r.out.size(), r.end.size());
		EXPECT_EQ(r.end, r.out.substr(r.out.size() - r.end.size()));
		EXPECT_EQ(1u, count(r.out, "\n"));
		EXPECT_EQ(r.marks, count(r.out, " bytes cut ...]"));
		if (r.marks)
			EXPECT_GT(r.out.size(), size_t(lang::Debug::BUFFER_SIZE - 40)) << "as much as fits is kept";
	}
}

TEST(Debug, Shortened)
{
	struct Row
	{
		std::string value;
		size_t max;
		std::string out;
	} const rows[] = {
		{"abc", 3, "abc"},
		{"", 0, ""},
		{std::string(100, 'a') + std::string(100, 'b'), 40, std::string(12, 'a') + "[... 183 bytes cut ...]" + std::string(5, 'b')},
		{std::string(11, 'a') + "\xE2\x82\xAC" + std::string(200, 'b'), 40, std::string(11, 'a') + "[... 198 bytes cut ...]" + std::string(5, 'b')},
		{std::string(40, 'x'), 10, std::string(10, 'x')},
		{std::string(9, 'a') + "\xE2\x82\xAC" + std::string(30, 'b'), 10, std::string(9, 'a')},
	};
	for (Row const& r : rows)
	{
		SCOPED_TRACE(r.value);
		EXPECT_EQ(r.out, lang::Debug::shortened(r.value, r.max));
		EXPECT_LE(lang::Debug::shortened(r.value, r.max).size(), r.max);
	}
}
