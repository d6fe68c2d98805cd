#include "DefaultRoute.h"
#include <lang/Debug.h>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace
{

// Route flags of the kernel (linux/route.h).
unsigned long const ROUTE_UP = 0x0001;
unsigned long const ROUTE_REJECT = 0x0200;

/** The hexadecimal field text as a number; false when it is not one. */
bool hex(std::string const& text, unsigned long& value)
{
	if (text.empty() || text.size() > 8)
		return false;
	char* end = nullptr;
	errno = 0;
	value = std::strtoul(text.c_str(), &end, 16);
	return errno == 0 && end == text.c_str() + text.size();
}

bool isZero(std::string const& text)
{
	return !text.empty() && text.find_first_not_of('0') == std::string::npos;
}

bool usable(std::string const& iface, unsigned long flags)
{
	return iface != "lo" && (flags & ROUTE_UP) && !(flags & ROUTE_REJECT);
}

/** Lines: interface, destination, gateway, flags, reference count, use, metric, mask, ... */
bool ipv4Default(std::string const& table)
{
	std::istringstream lines(table);
	std::string line;
	while (std::getline(lines, line))
	{
		std::istringstream fields(line);
		std::string iface, destination, gateway, flags, references, use, metric, mask;
		unsigned long value = 0;
		if (fields >> iface >> destination >> gateway >> flags >> references >> use >> metric >> mask &&
			isZero(destination) && isZero(mask) && hex(flags, value) && usable(iface, value))
			return true;
	}
	return false;
}

/** Lines: destination, prefix length, source, its prefix length, next hop, metric, reference count, use, flags, interface. */
bool ipv6Default(std::string const& table)
{
	std::istringstream lines(table);
	std::string line;
	while (std::getline(lines, line))
	{
		std::istringstream fields(line);
		std::string destination, length, source, sourceLength, next, metric, references, use, flags, iface;
		unsigned long value = 0;
		if (fields >> destination >> length >> source >> sourceLength >> next >> metric >> references >> use >> flags >> iface &&
			destination.size() == 32 && isZero(destination) && isZero(length) && hex(flags, value) && usable(iface, value))
			return true;
	}
	return false;
}

bool readFile(char const* path, std::string& text)
{
	std::ifstream in(path);
	if (!in)
		return false;
	text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	return true;
}

} // namespace

bool DefaultRoute::inTables(std::string const& ipv4Table, std::string const& ipv6Table)
{
	return ipv4Default(ipv4Table) || ipv6Default(ipv6Table);
}

bool DefaultRoute::reachable()
{
	std::string ipv4, ipv6;
	bool const read4 = readFile("/proc/net/route", ipv4);
	bool const read6 = readFile("/proc/net/ipv6_route", ipv6);
	if (!read4 && !read6)
	{
		lang::Debug::printf("Error. Could not recover network reachability flags\n");
		return false;
	}
	return inTables(ipv4, ipv6);
}
