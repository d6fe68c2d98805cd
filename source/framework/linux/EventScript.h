#pragma once

#include <framework/linux/ShellEvent.h>
#include <string>
#include <vector>

namespace framework
{

/**
 * Reads scripted input, one event per line:
 *
 *   <tick> touch-begin|touch-move|touch-end|touch-cancel <id> <x> <y>
 *   <tick> key-down|key-up <key name>       (a name of s_keysz)
 *   <tick> wheel <n>
 *   <tick> resize <w> <h>
 *   <tick> deactivate | activate
 *   <tick> url <text> | notification <name>  (the rest of the line)
 *   <tick> clock <seconds>                   (may be negative)
 *
 * Ticks are whole numbers from 0 that never go back. Blank lines and lines
 * beginning with "#" are skipped; fields are separated by spaces or tabs.
 */
class EventScript
{
public:
	/**
	 * Parses text; name is the file name used in messages.
	 * @exception lang::Exception "<name>:<line>: <what is wrong>" for the
	 *            first malformed line.
	 */
	static std::vector<ShellEvent> parse(std::string const& text, std::string const& name);

	/**
	 * Reads and parses the file at path.
	 * @exception lang::Exception When it cannot be read ("<path>: ...") or
	 *            holds a malformed line.
	 */
	static std::vector<ShellEvent> load(std::string const& path);
};

} // framework
