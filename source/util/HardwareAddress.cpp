#include "HardwareAddress.h"
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>

namespace util
{

namespace
{

/** Calls each(name, address) for every Ethernet link-level entry until it answers true. */
template <class F>
void forEachEthernet(F&& each)
{
	struct ifaddrs* list = nullptr;
	if (getifaddrs(&list) != 0)
		return;
	for (struct ifaddrs* entry = list; entry; entry = entry->ifa_next)
	{
		if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_PACKET || !entry->ifa_name)
			continue;
		auto const* link = reinterpret_cast<struct sockaddr_ll const*>(entry->ifa_addr);
		if (link->sll_hatype != ARPHRD_ETHER || link->sll_halen != 6)
			continue;
		HardwareAddress address;
		std::memcpy(address.data(), link->sll_addr, 6);
		if (each(std::string(entry->ifa_name), address, (entry->ifa_flags & IFF_LOOPBACK) != 0))
			break;
	}
	freeifaddrs(list);
}

} // namespace

std::optional<HardwareAddress> hardwareAddress(std::string const& interfaceName)
{
	std::optional<HardwareAddress> found;
	forEachEthernet([&](std::string const& name, HardwareAddress const& address, bool) {
		if (name != interfaceName)
			return false;
		found = address;
		return true;
	});
	return found;
}

std::string firstEthernetInterface()
{
	std::string found;
	forEachEthernet([&](std::string const& name, HardwareAddress const& address, bool loopback) {
		bool zero = true;
		for (unsigned char b : address)
			zero = zero && b == 0;
		if (loopback || zero)
			return false;
		found = name;
		return true;
	});
	return found;
}

std::string hardwareAddressText(HardwareAddress const& address)
{
	char text[18];
	std::snprintf(text, sizeof(text), "%02X:%02X:%02X:%02X:%02X:%02X", address[0], address[1], address[2], address[3], address[4],
	              address[5]);
	return text;
}

} // util
