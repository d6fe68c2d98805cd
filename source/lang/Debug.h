#pragma once

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
	/** Size of the formatting buffer; longer text is cut to one byte less. */
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
};

} // lang
