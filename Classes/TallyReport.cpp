// The report: a session's block and the body around the blocks.

#include "TallyReport.h"
#include "TallyFileCache.h"
#include "TallyFilePaths.h"
#include "TallyGuard.h"
#include "TallyImageCache.h"
#include "TallyProtocolData.h"
#include "TallyReportSeams.h"
#include "TallySessionFiles.h"
#include "TallyUtil.h"
#include <linux/TallyPlatform.h>
#include <zlib.h>

namespace
{

/** A screen size as the report writes it: truncated to an integer, in decimal. */
std::string sizeText(double value)
{
	if (!(value > -2147483648.0 && value < 2147483648.0))
		return "0";
	return std::to_string(static_cast<int32_t>(value));
}

} // namespace

std::string TallyReport::sessionData(TallySessionRecord const& session)
{
	return session.read([](TallySessionState const& state) {
		std::string d;
		d.reserve(sessionDataSizeHint(state));
		appendSessionData(state, d);
		return d;
	});
}

size_t TallyReport::sessionDataSizeHint(TallySessionState const& state)
{
	return 512 + state.eventCounts.size() * 32 + state.eventLog.size() * 96;
}

void TallyReport::appendSessionData(TallySessionState const& s, std::string& d)
{
	using P = TallyProtocolData;
	P::appendUshort(static_cast<uint16_t>(s.serializationVersion), d);
	P::appendString(s.appVersion, d);
	P::appendTimestamp(s.startTime, d);
	P::appendLong(s.endTime ? P::timeIntervalFrom(s.startTime, s.endTime) : -1, d);
	P::appendLong(s.totalPauseIntervalMillis, d);
	P::appendString(s.locale, d);
	P::appendString(s.timeZone, d);
	P::appendBoolean(s.internetAvailable, d);
	P::appendString(s.userID.value_or(""), d);
	P::appendBoolean(true, d);
	P::appendDouble(s.latitude, d);
	P::appendDouble(s.longitude, d);
	P::appendFloat(s.accuracy, d);
	P::appendInt(s.pageViewCount, d);
	P::appendByte(static_cast<uint8_t>(s.gender & 0xFF), d);
	P::appendBoolean(s.age.has_value(), d);
	if (s.age)
		P::appendTimestamp(s.age, d);
	P::appendUshort(static_cast<uint16_t>(s.eventCounts.size()), d);
	for (auto const& [name, count] : s.eventCounts)
	{
		P::appendString(name, d);
		P::appendInt(count, d);
	}
	P::appendUshort(static_cast<uint16_t>(s.eventLog.size()), d);
	for (lang::Ptr<TallyEvent> const& event : s.eventLog)
		event->appendDataRelativeToSessionStart(s.startTime, d);
	P::appendBoolean(s.eventLogComplete, d);
	P::appendInt(s.totalErrorCount, d);
	P::appendUshort(static_cast<uint16_t>(s.errors.size()), d);
	for (TallyErrorRecord const& record : s.errors)
	{
		P::appendUshort(static_cast<uint16_t>(record.number), d);
		P::appendTimestamp(record.time, d);
		P::appendString(record.errorId, d);
		P::appendString(record.message, d);
		P::appendString(record.exceptionText, d);
	}
	for (std::vector<std::string> const* list : {&s.adLog, &s.adSlotAdLog})
	{
		P::appendUshort(static_cast<uint16_t>(list->size()), d);
		for (std::string const& record : *list)
			d += record;
	}
}

void TallyReport::generateChecksumTable()
{
}

void TallyReport::appendSessionsDataChecksum(std::string& data)
{
	uLong crc = crc32(0L, Z_NULL, 0);
	// zlib takes the length in 32 bits: feed long buffers in pieces.
	size_t const piece = 1u << 30;
	for (size_t at = 0; at < data.size(); at += piece)
	{
		size_t n = std::min(piece, data.size() - at);
		crc = crc32(crc, reinterpret_cast<Bytef const*>(data.data() + at), static_cast<uInt>(n));
	}
	TallyProtocolData::appendInt(static_cast<int32_t>(static_cast<uint32_t>(crc)), data);
}

std::string TallyReport::dataForSessions(lang::Ptr<TallySessionRecord> const& current, std::vector<Entry> const& sessions,
                                         bool requestAdGridAds, bool requestVideoAds, bool requestAdSlotAds, bool requestReengageAds)
{
	using P = TallyProtocolData;
	// The current session's key, version and start: one reading.
	struct Envelope
	{
		std::string apiKey;
		std::string appVersion;
		TallyOptionalDate startTime;
	};
	Envelope const envelope = current ? current->read([](TallySessionState const& s) { return Envelope{s.apiKey, s.appVersion, s.startTime}; })
	                                  : Envelope{};
	std::string d;
	P::appendUshort(22, d);
	bool anyFlag = requestAdGridAds || requestVideoAds || requestAdSlotAds || requestReengageAds;
	if (!anyFlag)
		P::appendUshort(0, d);
	else
	{
		if (current)
			TallyImageCache::createInstanceWithFileCache(TallyFileCache::createInstanceWithApiKey(envelope.apiKey, TallyFilePaths::getAgentVersion()));
		P::appendUshort(3, d);
		P::appendUshort(requestReengageAds ? 5 : requestVideoAds ? 3 : requestAdGridAds ? 1 : 0, d);
		P::appendUshort(requestAdSlotAds ? 1 : 0, d);
	}
	tallyAppendImageCacheFields(d);
	P::appendUshort(TallyUtil::isIPad() ? 8 : 2, d);
	P::appendUshort(TallyFilePaths::AGENT_VERSION, d);
	P::appendTimestamp(TallyPlatform::now(), d);
	P::appendString(envelope.apiKey, d);
	P::appendString(envelope.appVersion, d);
	tallyAppendDeviceIdentifiers(d);
	P::appendTimestamp(TallySessionFiles::initialTimestamp(envelope.startTime), d);
	P::appendTimestamp(envelope.startTime, d);

	// Device properties in key order.
	std::string width = "0", height = "0";
	if (auto screen = TallyPlatform::mainScreenSize())
	{
		width = sizeText(screen->first);
		height = sizeText(screen->second);
	}
	P::appendUshort(4, d);
	for (auto const& [key, value] : {std::pair<char const*, std::string>{"device.model.1", TallyPlatform::devicePlatform()},
	                                 {"device.os.version", TallyPlatform::systemVersion()},
	                                 {"scr.height", height},
	                                 {"scr.width", width}})
	{
		P::appendString(key, d);
		P::appendString(value, d);
	}

	// The blocks go straight after a count filled in at the end. Each block
	// goes in whole or not at all: a failure cuts the body back to before it.
	size_t hint = d.size() + 6;
	for (Entry const& entry : sessions)
	{
		std::string const* block = std::get_if<std::string>(&entry);
		lang::Ptr<TallySessionRecord> const* session = std::get_if<lang::Ptr<TallySessionRecord>>(&entry);
		hint += block ? block->size() : *session ? (*session)->read(&sessionDataSizeHint) : 0;
	}
	tallyGuard([&] { d.reserve(hint); });
	size_t const countAt = d.size();
	P::appendUshort(0, d);
	uint16_t count = 0;
	for (Entry const& entry : sessions)
	{
		if (count == 65535)
			break;
		size_t const before = d.size();
		bool added = false;
		bool whole = tallyGuard([&] {
			if (std::string const* block = std::get_if<std::string>(&entry))
				d += *block;
			else
			{
				lang::Ptr<TallySessionRecord> const& session = std::get<lang::Ptr<TallySessionRecord>>(entry);
				if (!session)
					return;
				session->read([&](TallySessionState const& state) { appendSessionData(state, d); });
			}
			added = true;
		});
		if (!whole)
			d.resize(before);
		else if (added)
			++count;
	}
	d[countAt] = static_cast<char>(count >> 8);
	d[countAt + 1] = static_cast<char>(count & 0xFF);
	appendSessionsDataChecksum(d);
	return d;
}
