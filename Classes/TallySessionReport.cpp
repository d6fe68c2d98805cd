// The report: a session's block and the body around the blocks.

#include "TallyFileCache.h"
#include "TallyGuard.h"
#include "TallyImageCache.h"
#include "TallyProtocolData.h"
#include "TallyReportSeams.h"
#include "TallySession.h"
#include "TallyUtil.h"
#include <linux/TallyPlatform.h>
#include <zlib.h>
#include <mutex>

namespace
{

using Lock = std::lock_guard<lang::Mutex>;

/** A screen size as the report writes it: truncated to an integer, in decimal. */
std::string sizeText(double value)
{
	if (!(value > -2147483648.0 && value < 2147483648.0))
		return "0";
	return std::to_string(static_cast<int32_t>(value));
}

} // namespace

std::string TallySession::data() const
{
	std::string d;
	d.reserve(dataSizeHint());
	appendData(d);
	return d;
}

size_t TallySession::dataSizeHint() const
{
	Lock lock(m_mutex);
	return 512 + m_eventCounts.size() * 32 + m_eventLog.size() * 96;
}

void TallySession::appendData(std::string& d) const
{
	using P = TallyProtocolData;
	Lock lock(m_mutex);
	P::appendUshort(static_cast<uint16_t>(m_serializationVersion), d);
	P::appendString(m_appVersion, d);
	P::appendTimestamp(m_startTime, d);
	P::appendLong(m_endTime ? P::timeIntervalFrom(m_startTime, m_endTime) : -1, d);
	P::appendLong(m_totalPauseIntervalMillis, d);
	P::appendString(m_locale, d);
	P::appendString(m_timeZone, d);
	P::appendBoolean(m_internetAvailable, d);
	P::appendString(m_userID.value_or(""), d);
	P::appendBoolean(true, d);
	P::appendDouble(m_latitude, d);
	P::appendDouble(m_longitude, d);
	P::appendFloat(m_accuracy, d);
	P::appendInt(m_pageViewCount, d);
	P::appendByte(static_cast<uint8_t>(m_gender & 0xFF), d);
	P::appendBoolean(m_age.has_value(), d);
	if (m_age)
		P::appendTimestamp(m_age, d);
	P::appendUshort(static_cast<uint16_t>(m_eventCounts.size()), d);
	for (auto const& [name, count] : m_eventCounts)
	{
		P::appendString(name, d);
		P::appendInt(count, d);
	}
	P::appendUshort(static_cast<uint16_t>(m_eventLog.size()), d);
	for (lang::Ptr<TallyEvent> const& event : m_eventLog)
		event->appendDataRelativeToSessionStart(m_startTime, d);
	P::appendBoolean(m_eventLogComplete, d);
	P::appendInt(m_totalErrorCount, d);
	P::appendUshort(static_cast<uint16_t>(m_errors.size()), d);
	for (TallyErrorRecord const& record : m_errors)
	{
		P::appendUshort(static_cast<uint16_t>(record.number), d);
		P::appendTimestamp(record.time, d);
		P::appendString(record.errorId, d);
		P::appendString(record.message, d);
		P::appendString(record.exceptionText, d);
	}
	for (std::vector<std::string> const* list : {&m_adLog, &m_adSlotAdLog})
	{
		P::appendUshort(static_cast<uint16_t>(list->size()), d);
		for (std::string const& record : *list)
			d += record;
	}
}

void TallySession::generateChecksumTable()
{
}

void TallySession::appendSessionsDataChecksum(std::string& data)
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

std::string TallySession::dataForSessions(std::vector<Entry> const& sessions)
{
	return dataForSessions(sessions, true, true, true, true);
}

std::string TallySession::dataForSessions(std::vector<Entry> const& sessions, bool requestAdGridAds, bool requestVideoAds,
                                          bool requestAdSlotAds, bool requestReengageAds)
{
	using P = TallyProtocolData;
	lang::Ptr<TallySession> current = currentSession();
	std::string d;
	P::appendUshort(22, d);
	bool anyFlag = requestAdGridAds || requestVideoAds || requestAdSlotAds || requestReengageAds;
	if (!anyFlag)
		P::appendUshort(0, d);
	else
	{
		if (current)
			TallyImageCache::createInstanceWithFileCache(TallyFileCache::createInstanceWithApiKey(current->apiKey(), getAgentVersion()));
		P::appendUshort(3, d);
		P::appendUshort(requestReengageAds ? 5 : requestVideoAds ? 3 : requestAdGridAds ? 1 : 0, d);
		P::appendUshort(requestAdSlotAds ? 1 : 0, d);
	}
	tallyAppendImageCacheFields(d);
	P::appendUshort(TallyUtil::isIPad() ? 8 : 2, d);
	P::appendUshort(AGENT_VERSION, d);
	P::appendTimestamp(TallyPlatform::now(), d);
	P::appendString(current ? current->apiKey() : std::string(), d);
	P::appendString(current ? current->appVersion() : std::string(), d);
	tallyAppendDeviceIdentifiers(d);
	P::appendTimestamp(initialTimestamp(), d);
	P::appendTimestamp(current ? current->startTime() : std::nullopt, d);

	// Device properties in key order.
	std::string width = "0", height = "0";
	if (auto screen = TallyPlatform::mainScreenSize())
	{
		width = sizeText(screen->first);
		height = sizeText(screen->second);
	}
	P::appendUshort(4, d);
	for (auto const& [key, value] : {std::pair<char const*, std::string>{"device.model.1", devicePlatform()},
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
		lang::Ptr<TallySession> const* session = std::get_if<lang::Ptr<TallySession>>(&entry);
		hint += block ? block->size() : *session ? (*session)->dataSizeHint() : 0;
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
				lang::Ptr<TallySession> const& session = std::get<lang::Ptr<TallySession>>(entry);
				if (!session)
					return;
				session->appendData(d);
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
