#pragma once

#include <TallySessionRecord.h>
#include <TallySessionState.h>
#include <lang/Ptr.h>
#include <cstddef>
#include <string>
#include <variant>
#include <vector>

/**
 * The report: a session's block and the body around the blocks (envelope,
 * blocks, checksum). Each session is read in one step under its lock, so a
 * block is one consistent state. Any thread.
 */
class TallyReport
{
public:
	/** A session or its report block. */
	using Entry = std::variant<std::string, lang::Ptr<TallySessionRecord>>;

	/**
	 * The report body: envelope (with the key, version and start of current,
	 * which may be null), the sessions' blocks in order (at most 65535; a
	 * session is in whole or not at all) and the checksum.
	 */
	static std::string dataForSessions(lang::Ptr<TallySessionRecord> const& current, std::vector<Entry> const& sessions,
	                                   bool requestAdGridAds, bool requestVideoAds, bool requestAdSlotAds, bool requestReengageAds);

	/** The session's report block. */
	static std::string sessionData(TallySessionRecord const& session);

	/** Appends the state's report block to data. */
	static void appendSessionData(TallySessionState const& state, std::string& data);

	/** A generous guess of the state's block size. */
	static size_t sessionDataSizeHint(TallySessionState const& state);

	/** Nothing to build: the checksum is zlib's CRC-32. */
	static void generateChecksumTable();

	/** Appends the CRC-32 of the whole buffer, big-endian. */
	static void appendSessionsDataChecksum(std::string& data);
};
