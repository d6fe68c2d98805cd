#include "Formattable.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace lang
{

namespace
{

// Copies text into buf under the message truncation rules and returns the
// full length of the text.
int copyOut(char* buf, int size, char const* text, int len)
{
	if (size > 0)
	{
		int n = len < size ? len : size;
		memcpy(buf, text, static_cast<size_t>(n));
		if (len >= size)
			buf[size - 1] = 0;
		else
			buf[len] = 0;
	}
	return len;
}

int32_t saturateSigned(double v)
{
	if (std::isnan(v))
		return 0;
	v = std::trunc(v);
	if (v >= 2147483647.0)
		return INT32_MAX;
	if (v <= -2147483648.0)
		return INT32_MIN;
	return static_cast<int32_t>(v);
}

uint32_t saturateUnsigned(double v)
{
	if (std::isnan(v) || v <= 0.0)
		return 0;
	v = std::trunc(v);
	if (v >= 4294967295.0)
		return UINT32_MAX;
	return static_cast<uint32_t>(v);
}

// printf into a string of any length.
template <class... Args>
std::string printString(char const* fmt, Args... args)
{
	char small[32];
	int len = snprintf(small, sizeof(small), fmt, args...);
	if (len < 0)
		return std::string();
	if (len < static_cast<int>(sizeof(small)))
		return std::string(small, static_cast<size_t>(len));
	std::vector<char> big(static_cast<size_t>(len) + 1);
	snprintf(big.data(), big.size(), fmt, args...);
	return std::string(big.data(), static_cast<size_t>(len));
}

} // namespace

int Formattable::format(char* buf, int size, std::string const& pattern, int start) const
{
	switch (m_type)
	{
	case VALUE_STRING:
		return copyOut(buf, size, m_str.data(), static_cast<int>(m_str.size()));

	case VALUE_NUMBER: {
		int width = 0;
		int decimals = 0;
		bool fixed = false;
		bool point = false;
		std::string text;
		bool converted = false;

		for (size_t i = static_cast<size_t>(start < 0 ? 0 : start); i < pattern.size() && pattern[i] != '}'; ++i)
		{
			char c = pattern[i];
			if (c == 'x' || c == 'X')
			{
				char fmt[4] = {'%', c, 0, 0};
				text = printString(fmt, static_cast<unsigned>(saturateUnsigned(m_dbl)));
				converted = true;
				break;
			}
			if (c == 'd' || c == 'i')
			{
				char fmt[4] = {'%', c, 0, 0};
				text = printString(fmt, static_cast<int>(saturateSigned(m_dbl)));
				converted = true;
				break;
			}
			if (c == '.')
			{
				point = true;
			}
			else if (c == '0')
			{
				if (!point)
				{
					++width;
					fixed = true;
				}
				else
				{
					++decimals;
				}
			}
			else if (c == '#')
			{
				if (!point)
					fixed = true;
				else
					++decimals;
			}
		}

		if (!converted)
		{
			if (!fixed && decimals == 0)
			{
				text = printString("%g", m_dbl);
			}
			else
			{
				char fmt[48];
				if (width == 0)
					snprintf(fmt, sizeof(fmt), "%%.%if", decimals);
				else
					snprintf(fmt, sizeof(fmt), "%%0%i.%if", width, decimals);
				text = printString(fmt, m_dbl);
			}
		}
		return copyOut(buf, size, text.data(), static_cast<int>(text.size()));
	}

	default:
		return 0;
	}
}

} // lang
