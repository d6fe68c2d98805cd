#pragma once

#include <array>
#include <optional>
#include <string>

namespace util
{

/** A network interface's 6-byte Ethernet hardware address. */
using HardwareAddress = std::array<unsigned char, 6>;

/**
 * The Ethernet hardware address of the named interface: its link-level
 * entry (getifaddrs, AF_PACKET) of type ARPHRD_ETHER with a 6-byte address.
 * None when no such interface exists. Thread-safe.
 */
std::optional<HardwareAddress> hardwareAddress(std::string const& interfaceName);

/**
 * The name of the first interface, in the system's order, that is not the
 * loopback and has a 6-byte Ethernet hardware address other than all
 * zeros; "" when there is none. The device's stable network identity.
 * Thread-safe.
 */
std::string firstEthernetInterface();

/** The address as upper-case hex pairs joined by ":" ("00:1A:2B:3C:4D:5E"). */
std::string hardwareAddressText(HardwareAddress const& address);

} // util
