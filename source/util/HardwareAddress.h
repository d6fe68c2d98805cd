#pragma once

#include <string>

struct ifaddrs;

namespace util
{

/**
 * The hardware address of the first network interface in list that is not a
 * loopback interface and has a 6-byte, not all-zero link-layer address,
 * written as six upper-case hexadecimal bytes joined by colons
 * ("00:1A:2B:3C:4D:5E"); "" when there is none. Any thread.
 */
std::string firstHardwareAddress(ifaddrs const* list);

/** firstHardwareAddress of the system's interfaces (getifaddrs); "" when they cannot be read. Any thread. */
std::string hardwareAddress();

} // util
