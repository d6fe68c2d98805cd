#pragma once

#include <string>

namespace lang
{

/** One argument of a lang::Format message: empty, a number or a string. */
class Formattable
{
public:
	enum ValueType
	{
		VALUE_NONE = 0,
		VALUE_NUMBER = 1,
		VALUE_STRING = 2,
	};

	Formattable() : m_dbl(0.0), m_type(VALUE_NONE) {}
	Formattable(double v) : m_dbl(v), m_type(VALUE_NUMBER) {}
	Formattable(std::string const& s) : m_dbl(0.0), m_str(s), m_type(VALUE_STRING) {}
	Formattable(char const* s) : m_dbl(0.0), m_str(s ? s : ""), m_type(VALUE_STRING) {}

	/**
	 * Writes this argument's text into buf (at most size bytes, NUL included)
	 * reading its number pattern from pattern at position start.
	 * @return Full length of the argument's text (not the length written).
	 */
	int format(char* buf, int size, std::string const& pattern, int start) const;

	/** Kind of the value held. */
	ValueType type() const { return static_cast<ValueType>(m_type); }

	double number() const { return m_dbl; }
	std::string const& string() const { return m_str; }

private:
	double m_dbl;
	std::string m_str;
	int m_type;
};

} // lang
