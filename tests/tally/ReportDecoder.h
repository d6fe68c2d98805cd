#pragma once

// Reads a usage report back, field by field, to check what the agent wrote.
//
// A report is big-endian throughout. The envelope: version (u16, 22); the
// ad request block (u16 0, or u16 3 then two u16); the image cache's update
// time (i64) and its ids (u16 n, then n times u8 1 and i64); device kind
// (u16, 8 for a tablet, else 2); agent version (u16, 89); the time of the
// report (timestamp); application key and version (strings); the device
// identifiers (u16 3, then u16 2 + short data, u16 4 + short data, u16 3 +
// string + u8 status); the first session's start and the current session's
// start (timestamps); device properties (u16 n, then n key/value strings);
// the number of session blocks (u16) and the blocks; last the CRC-32 of
// every byte before it (u32).
//
// Kinds: timestamp = i64 milliseconds since 1970; string = u16 byte count
// and UTF-8 bytes, at most 255 UTF-16 units; short data = u16 count and
// bytes.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace reportcheck
{

/** The standard CRC-32 (reflected 0xEDB88320, start and final inversion), bit by bit. */
uint32_t crc32(std::string const& bytes);

/** Number of UTF-16 units of valid UTF-8 text; throws on invalid UTF-8. */
size_t utf16Units(std::string const& text);

/** Reads big-endian values from a byte string; reading past the end throws. */
class Cursor
{
public:
	explicit Cursor(std::string const& bytes) : m_bytes(bytes) {}

	uint8_t u8();
	uint16_t u16();
	uint32_t u32();
	int32_t i32() { return static_cast<int32_t>(u32()); }
	int64_t i64();
	float f32();
	double f64();
	bool flag();
	/** A string: also checks UTF-8 and the 255-unit limit. */
	std::string text();
	std::string shortData();
	std::string raw(size_t n);

	size_t position() const { return m_pos; }
	size_t left() const { return m_bytes.size() - m_pos; }

private:
	std::string const& m_bytes;
	size_t m_pos = 0;
};

struct EventBlock
{
	uint16_t id = 0;
	std::string name;
	std::vector<std::pair<std::string, std::string>> parameters;
	int64_t startOffset = 0;
	int64_t duration = 0;
};

struct ErrorBlock
{
	uint16_t number = 0;
	int64_t time = 0;
	std::string errorId;
	std::string message;
	std::string exceptionText;
};

/**
 * A session block: version (u16); application version (string); start
 * (timestamp); length in ms (i64, -1 open); pauses in ms (i64); locale,
 * time zone (strings); internet (bool); user id (string); location flag
 * (bool, 1) then latitude, longitude (f64) and accuracy (f32); page views
 * (i32); gender byte (0xFF unset, 1 male, 0 female); age flag (bool) and
 * the birth date (timestamp) when set; event counts (u16 n, n times name
 * and i32); events (u16 n, then each: u16 id, string name, u16 p, p key and
 * value strings, i64 start offset, i64 duration); log complete (bool);
 * total errors (i32); kept errors (u16 n, each u16 number, timestamp,
 * three strings); two lists of ad records (u16 count each; the records
 * carry no length, and none are recorded).
 */
struct SessionBlock
{
	uint16_t version = 0;
	std::string appVersion;
	int64_t start = 0;
	int64_t length = 0;
	int64_t pauses = 0;
	std::string locale;
	std::string timeZone;
	bool internet = false;
	std::string userID;
	bool hasLocation = false;
	double latitude = 0;
	double longitude = 0;
	float accuracy = 0;
	int32_t pageViews = 0;
	uint8_t gender = 0;
	bool hasAge = false;
	int64_t age = 0;
	std::vector<std::pair<std::string, int32_t>> eventCounts;
	std::vector<EventBlock> events;
	bool logComplete = false;
	int32_t totalErrors = 0;
	std::vector<ErrorBlock> errors;
	uint16_t adRecords = 0;
	uint16_t adSlotRecords = 0;
};

struct Report
{
	uint16_t version = 0;
	std::vector<uint16_t> adRequest;
	int64_t imageCacheTime = 0;
	uint16_t imageIds = 0;
	uint16_t deviceKind = 0;
	uint16_t agentVersion = 0;
	int64_t time = 0;
	std::string apiKey;
	std::string appVersion;
	std::vector<std::string> identifiers;
	uint8_t generatedStatus = 0;
	int64_t initialTimestamp = 0;
	int64_t sessionStart = 0;
	std::map<std::string, std::string> properties;
	std::vector<SessionBlock> sessions;
	uint32_t checksum = 0;
};

/** Reads one session block at the cursor. */
SessionBlock readSession(Cursor& in);

/** Reads a whole report; throws unless every byte is used and the CRC matches. */
Report readReport(std::string const& bytes);

/** Reads one session block that must fill bytes exactly. */
SessionBlock readSessionBlock(std::string const& bytes);

} // namespace reportcheck
