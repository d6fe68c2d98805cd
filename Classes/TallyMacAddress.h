#pragma once

/**
 * Writes the hardware address text of the named interface into buffer (18
 * bytes: 17 characters and the terminator) and returns buffer. "en0" names
 * the device's first usable Ethernet interface (util::firstEthernetInterface);
 * other names are taken as they are. No such interface gives "".
 * Thread-safe.
 */
char* tallyGetMacAddress(char* buffer, char const* interfaceName);
