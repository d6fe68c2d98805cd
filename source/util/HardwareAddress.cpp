#include "HardwareAddress.h"
#include <ifaddrs.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/socket.h>
#include <cstdio>

namespace util
{

std::string firstHardwareAddress(ifaddrs const* list)
{
	for (ifaddrs const* entry = list; entry; entry = entry->ifa_next)
	{
		if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || (entry->ifa_flags & IFF_LOOPBACK))
			continue;
		sockaddr_ll const* link = reinterpret_cast<sockaddr_ll const*>(entry->ifa_addr);
		if (link->sll_halen != 6)
			continue;
		unsigned char const* a = link->sll_addr;
		if ((a[0] | a[1] | a[2] | a[3] | a[4] | a[5]) == 0)
			continue;
		char text[18];
		snprintf(text, sizeof(text), "%02X:%02X:%02X:%02X:%02X:%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
		return text;
	}
	return "";
}

std::string hardwareAddress()
{
	ifaddrs* list = nullptr;
	if (getifaddrs(&list) != 0)
		return "";
	std::string address = firstHardwareAddress(list);
	freeifaddrs(list);
	return address;
}

} // util
