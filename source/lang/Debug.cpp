#include "Debug.h"
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <sys/types.h>
#include <vector>

namespace lang
{

namespace
{

/** -1 until known, else 0 or 1. */
std::atomic<int> s_verbose{-1};

/** The longest text written. */
size_t const MAX_TEXT = Debug::BUFFER_SIZE - 1;

/** Whether byte c continues a UTF-8 sequence. */
bool continues(char c)
{
	return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

/** A part of a formatted text: the format's own text or a converted value; a string value may be shortened. */
struct Part
{
	std::string text;
	bool shortenable;
};

// The conversions are taken one by one from a format that the compiler
// checked against its arguments (the format attribute of printf).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"

/** One conversion spec (with its "*" values, count of them in stars) applied to value. */
template <typename T>
std::string convert(std::string const& spec, int const* stars, int count, T value)
{
	auto put = [&](char* out, size_t size) {
		return count == 0 ? snprintf(out, size, spec.c_str(), value)
			: count == 1 ? snprintf(out, size, spec.c_str(), stars[0], value)
			: snprintf(out, size, spec.c_str(), stars[0], stars[1], value);
	};
	int const n = put(nullptr, 0);
	if (n <= 0)
		return "";
	std::vector<char> out(size_t(n) + 1);
	put(out.data(), out.size());
	return std::string(out.data(), size_t(n));
}

#pragma GCC diagnostic pop

/** The text of fmt with its arguments, cut into parts (a format the compiler checked). */
std::vector<Part> parts(char const* fmt, va_list args)
{
	std::vector<Part> result;
	std::string literal;
	auto endLiteral = [&] {
		if (!literal.empty())
			result.push_back({literal, false});
		literal.clear();
	};
	for (char const* p = fmt; *p;)
	{
		if (*p != '%')
		{
			literal += *p++;
			continue;
		}
		char const* const start = p++;
		if (*p == '%')
		{
			literal += '%';
			++p;
			continue;
		}
		int stars[2] = {0, 0};
		int count = 0;
		while (*p && std::strchr("-+ #0'", *p))
			++p;
		if (*p == '*')
		{
			stars[count++] = va_arg(args, int);
			++p;
		}
		while (std::isdigit(static_cast<unsigned char>(*p)))
			++p;
		if (*p == '.')
		{
			++p;
			if (*p == '*')
			{
				stars[count++] = va_arg(args, int);
				++p;
			}
			while (std::isdigit(static_cast<unsigned char>(*p)))
				++p;
		}
		char const* const lengthStart = p;
		while (*p && std::strchr("hlLjztq", *p))
			++p;
		std::string const length(lengthStart, p);
		char const conversion = *p;
		if (!conversion)
		{
			literal += start;
			break;
		}
		++p;
		std::string const spec(start, p);
		std::string value;
		bool shortenable = false;
		switch (conversion)
		{
		case 'd':
		case 'i':
			if (length == "l")
				value = convert(spec, stars, count, va_arg(args, long));
			else if (length == "ll" || length == "q")
				value = convert(spec, stars, count, va_arg(args, long long));
			else if (length == "j")
				value = convert(spec, stars, count, va_arg(args, intmax_t));
			else if (length == "z")
				value = convert(spec, stars, count, va_arg(args, ssize_t));
			else if (length == "t")
				value = convert(spec, stars, count, va_arg(args, ptrdiff_t));
			else
				value = convert(spec, stars, count, va_arg(args, int));
			break;
		case 'o':
		case 'u':
		case 'x':
		case 'X':
			if (length == "l")
				value = convert(spec, stars, count, va_arg(args, unsigned long));
			else if (length == "ll" || length == "q")
				value = convert(spec, stars, count, va_arg(args, unsigned long long));
			else if (length == "j")
				value = convert(spec, stars, count, va_arg(args, uintmax_t));
			else if (length == "z")
				value = convert(spec, stars, count, va_arg(args, size_t));
			else if (length == "t")
				value = convert(spec, stars, count, va_arg(args, ptrdiff_t));
			else
				value = convert(spec, stars, count, va_arg(args, unsigned));
			break;
		case 'e':
		case 'E':
		case 'f':
		case 'F':
		case 'g':
		case 'G':
		case 'a':
		case 'A':
			if (length == "L")
				value = convert(spec, stars, count, va_arg(args, long double));
			else
				value = convert(spec, stars, count, va_arg(args, double));
			break;
		case 'c':
			if (length == "l")
				value = convert(spec, stars, count, va_arg(args, wint_t));
			else
				value = convert(spec, stars, count, va_arg(args, int));
			break;
		case 's':
			if (length == "l")
				value = convert(spec, stars, count, va_arg(args, wchar_t const*));
			else
				value = convert(spec, stars, count, va_arg(args, char const*));
			shortenable = true;
			break;
		case 'p':
			value = convert(spec, stars, count, va_arg(args, void*));
			break;
		case 'n':
			// Writes nothing here: the count it would store is not used.
			(void)va_arg(args, void*);
			break;
		default:
			value = spec;
			break;
		}
		endLiteral();
		result.push_back({value, shortenable});
	}
	endLiteral();
	return result;
}

/** The text of fmt with its arguments in at most MAX_TEXT bytes (see Debug::BUFFER_SIZE). */
std::string fitted(char const* fmt, va_list args)
{
	std::vector<Part> const all = parts(fmt, args);
	size_t fixed = 0;
	size_t longest = 0;
	for (Part const& part : all)
		if (part.shortenable)
			longest = std::max(longest, part.text.size());
		else
			fixed += part.text.size();
	// The largest length each string value may keep so that the whole fits
	// (when the rest alone does not fit, the whole text is shortened below).
	size_t cap = longest;
	if (fixed < MAX_TEXT)
	{
		size_t const budget = MAX_TEXT - fixed;
		size_t low = 0;
		size_t high = longest;
		while (low < high)
		{
			size_t const mid = low + (high - low + 1) / 2;
			size_t used = 0;
			for (Part const& part : all)
				if (part.shortenable)
					used += std::min(part.text.size(), mid);
			if (used <= budget)
				low = mid;
			else
				high = mid - 1;
		}
		cap = low;
	}
	std::string text;
	for (Part const& part : all)
		text += part.shortenable ? Debug::shortened(part.text, cap) : part.text;
	if (text.size() <= MAX_TEXT)
		return text;
	bool const newline = !text.empty() && text.back() == '\n';
	if (newline)
		text.pop_back();
	return Debug::shortened(text, MAX_TEXT - (newline ? 1 : 0)) + (newline ? "\n" : "");
}

void write(char const* fmt, va_list args)
{
	char buf[Debug::BUFFER_SIZE];
	va_list copy;
	va_copy(copy, args);
	int const n = vsnprintf(buf, sizeof(buf), fmt, copy);
	va_end(copy);
	if (n >= 0 && n < Debug::BUFFER_SIZE)
		::fputs(buf, stdout);
	else
		::fputs(fitted(fmt, args).c_str(), stdout);
	fflush(stdout);
}

} // namespace

std::string Debug::shortened(std::string const& value, size_t max)
{
	if (value.size() <= max)
		return value;
	// The mark's count is written with as many digits as the value's size
	// has, so that the kept part never makes it longer.
	std::string const widest = "[... " + std::to_string(value.size()) + " bytes cut ...]";
	size_t head;
	size_t tail;
	if (max < widest.size())
	{
		head = max;
		tail = value.size();
	}
	else
	{
		size_t const keep = max - widest.size();
		head = keep - keep / 3;
		tail = value.size() - keep / 3;
	}
	while (head > 0 && continues(value[head]))
		--head;
	while (tail < value.size() && continues(value[tail]))
		++tail;
	if (max < widest.size())
		return value.substr(0, head);
	return value.substr(0, head) + "[... " + std::to_string(tail - head) + " bytes cut ...]" + value.substr(tail);
}

void Debug::printf(char const* fmt, ...)
{
	va_list args;
	va_start(args, fmt);
	write(fmt, args);
	va_end(args);
}

void Debug::debug(char const* fmt, ...)
{
	if (!verbose())
		return;
	va_list args;
	va_start(args, fmt);
	write(fmt, args);
	va_end(args);
}

bool Debug::verbose()
{
	int known = s_verbose.load();
	if (known < 0)
	{
		char const* env = std::getenv("ENGINE_VERBOSE");
		int const on = env && *env && std::strcmp(env, "0") != 0 ? 1 : 0;
		s_verbose.compare_exchange_strong(known, on);
		known = s_verbose.load();
	}
	return known == 1;
}

void Debug::setVerbose(bool on)
{
	s_verbose.store(on ? 1 : 0);
}

} // lang
