#pragma once

#include <cstddef>
#include <string>

namespace lang
{

/**
 * The diagnostic log: printf-formatted text written to standard output.
 * Lines through printf (warnings, errors, what a player should see) always
 * show; lines through debug (traces for a developer) only while the log is
 * verbose. Any thread; lines from different threads may interleave.
 */
class Debug
{
public:
	/**
	 * A written text is at most one byte less than this. Text that would be
	 * longer has its longest string values (%s) shortened as shortened()
	 * does, just enough to fit, so that the rest of it (what happened, why,
	 * its final newline) stays whole. Only a text whose other parts alone
	 * are too long is shortened as a whole, keeping its final newline.
	 */
	enum { BUFFER_SIZE = 2000 };

	static void printf(char const* fmt, ...) __attribute__((format(printf, 1, 2)));

	/** As printf, but written only while verbose() is true. */
	static void debug(char const* fmt, ...) __attribute__((format(printf, 1, 2)));

	/**
	 * Whether debug lines are written: as set by setVerbose, else whether the
	 * environment variable ENGINE_VERBOSE held a value other than "" and "0"
	 * at the first call.
	 */
	static bool verbose();

	/** Turns debug lines on or off for the rest of the process. */
	static void setVerbose(bool on);

	/**
	 * value in at most max bytes: whole when it fits, else its start and its
	 * end around the mark "[... N bytes cut ...]" (only its start when max
	 * cannot hold the mark). A UTF-8 sequence is never split.
	 */
	static std::string shortened(std::string const& value, std::size_t max);
};

} // lang
