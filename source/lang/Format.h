#pragma once

#include "Formattable.h"
#include <string>

namespace lang
{

/**
 * Message pattern with numbered placeholders ("{0}", "{1,x}", "{0,#.##}")
 * and up to four arguments, formatted on demand.
 * A backslash makes the next pattern character literal.
 */
class Format
{
public:
	enum { MAX_ARGS = 10 };

	Format();
	explicit Format(std::string const& pattern);
	Format(std::string const& pattern, Formattable const& a);
	Format(std::string const& pattern, Formattable const& a, Formattable const& b);
	Format(std::string const& pattern, Formattable const& a, Formattable const& b, Formattable const& c);
	Format(std::string const& pattern, Formattable const& a, Formattable const& b, Formattable const& c, Formattable const& d);

	/**
	 * Formats into buf, at most size bytes including the terminating NUL.
	 * @return Number of characters produced plus 1; a value above size means
	 *         the text was cut.
	 * @exception FormatException For a malformed placeholder.
	 */
	int format(char* buf, int size) const;

	/** Formats the whole text. */
	std::string format() const;

	std::string const& pattern() const { return m_pattern; }
	int arguments() const { return m_args; }
	Formattable const& argument(int i) const { return m_argv[i]; }

private:
	std::string m_pattern;
	int m_args;
	Formattable m_argv[MAX_ARGS];
};

} // lang
