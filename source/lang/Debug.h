#pragma once

namespace lang
{

/** The diagnostic log: printf-formatted text written to standard output. */
class Debug
{
public:
	/** Size of the formatting buffer; longer text is cut to one byte less. */
	enum { BUFFER_SIZE = 2000 };

	static void printf(char const* fmt, ...) __attribute__((format(printf, 1, 2)));
};

} // lang
