#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/**
 * The device identifiers of the report: two digests of the hardware
 * address, and one generated identifier kept in a file that all the user's
 * applications share. Any thread.
 */
class TallyDeviceIds
{
public:
	/** SHA-1 of "IPHONE" + the hardware address text of "en0" + the device platform: 20 bytes. */
	static std::string getMACBasedUID();

	/** SHA-1 of the hardware address text of "en0": 20 bytes. */
	static std::string getMACUID();

	/**
	 * The generated identifier ("ID" + upper-case UUID, 38 characters) from
	 * the shared identifier file, with its status: 1 none stored, 2 valid,
	 * 3 checksum wrong, 4 another length (or not UTF-8). For 1, 3 and 4 a
	 * new identifier is made and stored (46 characters with its checksum);
	 * when none can be made the answer is "". Never throws.
	 */
	static std::string getCFUUIDBasedUIDAndStatus(uint8_t& status);

	/**
	 * A new version-4 UUID as upper-case text (36 characters).
	 * @exception std::runtime_error When the system gives no random bytes.
	 */
	static std::string generateCFUUID();

	/** "ID" + generateCFUUID(). */
	static std::string generateCFUUIDBasedUID();

	/** The identifier's 32-bit checksum (base-2 long division by 0xB2733599 of its bytes). */
	static uint32_t generateCFUUIDBasedUIDChecksum(std::string const& identifier);

	/** The identifier followed by its checksum as 8 upper-case hex digits. */
	static std::string getCFUUIDBasedUIDWithChecksum(std::string const& identifier);

	/** The 20-byte SHA-1 digest. */
	static std::string hashData(std::string const& data);

	/** Lower-case hex of the first length bytes (length held to the data). */
	static std::string hashDataToHexString(std::string const& data, size_t length);

	/** "2:<hex>,4:<hex>,3:<identifier>". */
	static std::string tallyIDsList();

	/** "<user data>/tally.agent.pasteboard/tally.agent.uid": shared by the user's applications. */
	static std::string sharedIdentifierFilePath();
};
