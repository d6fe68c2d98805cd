#pragma once

#include <string>

/**
 * Whether the network is reachable, from the kernel's routing tables: it
 * is when a default route is up (not a reject route, not over "lo").
 */
class DefaultRoute
{
public:
	/**
	 * True when ipv4Table (the text of /proc/net/route) or ipv6Table (the
	 * text of /proc/net/ipv6_route) holds such a default route. Lines that
	 * do not parse are skipped.
	 */
	static bool inTables(std::string const& ipv4Table, std::string const& ipv6Table);

	/**
	 * Reads both tables and answers inTables. When neither can be read it
	 * logs "Error. Could not recover network reachability flags" and
	 * answers false. Any thread.
	 */
	static bool reachable();
};
