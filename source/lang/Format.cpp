#include "Format.h"
#include "Character.h"
#include "FormatException.h"
#include "Throwable.h"
#include <vector>

namespace lang
{

Format::Format() : m_args(0) {}

Format::Format(std::string const& pattern) : m_pattern(pattern), m_args(0) {}

Format::Format(std::string const& pattern, Formattable const& a) : m_pattern(pattern), m_args(1)
{
	m_argv[0] = a;
}

Format::Format(std::string const& pattern, Formattable const& a, Formattable const& b) : m_pattern(pattern), m_args(2)
{
	m_argv[0] = a;
	m_argv[1] = b;
}

Format::Format(std::string const& pattern, Formattable const& a, Formattable const& b, Formattable const& c) :
	m_pattern(pattern), m_args(3)
{
	m_argv[0] = a;
	m_argv[1] = b;
	m_argv[2] = c;
}

Format::Format(std::string const& pattern, Formattable const& a, Formattable const& b, Formattable const& c,
	Formattable const& d) :
	m_pattern(pattern), m_args(4)
{
	m_argv[0] = a;
	m_argv[1] = b;
	m_argv[2] = c;
	m_argv[3] = d;
}

int Format::format(char* buf, int size) const
{
	int const len = static_cast<int>(m_pattern.size());
	int n = 0;
	int i = 0;
	bool escape = false;

	while (n < size && i < len)
	{
		char c = m_pattern[i];
		if (c == '{' && !escape && i + 1 < len)
		{
			size_t close = m_pattern.find('}', static_cast<size_t>(i + 1));
			if (close == std::string::npos)
				throwError(FormatException(Format("Failed to format \"{0}\", '}' not found after {1}", m_pattern, i + 1)));
			if (static_cast<int>(close) == i + 1)
				throwError(
					FormatException(Format("Failed to format \"{0}\", argument index not found at {1}", m_pattern, i + 1)));
			if (!Character::isDigit(static_cast<unsigned char>(m_pattern[i + 1])))
				throwError(FormatException(Format("Failed to format \"{0}\", digit expected at {1}", m_pattern, i + 1)));
			int index = m_pattern[i + 1] - '0';
			if (index >= m_args)
				throwError(FormatException(Format("Failed to format \"{0}\", invalid argument index at {1}", m_pattern, i + 1)));

			int start = i + 2;
			if (start < len && m_pattern[start] == ',')
				++start;
			int room = size - n;
			if (room < 0)
				room = 0;
			n += m_argv[index].format(buf + n, room, m_pattern, start);
			i = static_cast<int>(close) + 1;
		}
		else if (c == '\\' && !escape)
		{
			escape = true;
			++i;
		}
		else
		{
			buf[n++] = c;
			escape = false;
			++i;
		}
	}

	if (n < size)
		buf[n] = 0;
	else if (size > 0)
		buf[size - 1] = 0;
	return n + 1;
}

std::string Format::format() const
{
	std::vector<char> buf(512);
	for (;;)
	{
		int r = format(buf.data(), static_cast<int>(buf.size()));
		if (r <= static_cast<int>(buf.size()))
			return std::string(buf.data(), static_cast<size_t>(r - 1));
		size_t next = buf.size() * 2;
		while (next < static_cast<size_t>(r))
			next *= 2;
		buf.assign(next, 0);
	}
}

} // lang
