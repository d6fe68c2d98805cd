#include "TallyEvent.h"
#include "TallyArchiver.h"
#include "TallyAutoIncrement.h"
#include "TallyProtocolData.h"
#include "TallyUnarchiver.h"
#include <linux/TallyPlatform.h>
#include <climits>

TallyEvent::TallyEvent(std::string const& name, bool timed, Parameters parameters) :
	m_name(name),
	m_started(TallyPlatform::now()),
	m_timed(timed),
	m_automaticallyEnded(false),
	m_parameters(std::move(parameters)),
	m_eventLogId(TallyAutoIncrement::instance()->nextCountFor(2))
{
}

TallyEvent::TallyEvent(std::string const& name, TallyOptionalDate started, TallyOptionalDate ended, bool timed, bool automaticallyEnded,
                       Parameters const& parameters, int eventLogId) :
	m_name(name),
	m_started(started),
	m_ended(ended),
	m_timed(timed),
	m_automaticallyEnded(automaticallyEnded),
	m_parameters(parameters),
	m_eventLogId(eventLogId)
{
}

bool TallyEvent::isUnterminated() const
{
	return m_timed && !m_ended;
}

int64_t TallyEvent::startOffsetFromSessionStart(TallyOptionalDate sessionStart) const
{
	return TallyProtocolData::timeIntervalFrom(sessionStart, m_started);
}

int64_t TallyEvent::duration() const
{
	if (!m_timed || !m_ended)
		return 0;
	return TallyProtocolData::timeIntervalFrom(m_started, m_ended);
}

std::string TallyEvent::dataRelativeToSessionStart(TallyOptionalDate sessionStart) const
{
	std::string data;
	appendDataRelativeToSessionStart(sessionStart, data);
	return data;
}

void TallyEvent::appendDataRelativeToSessionStart(TallyOptionalDate sessionStart, std::string& data) const
{
	TallyProtocolData::appendUshort(static_cast<uint16_t>(m_eventLogId), data);
	TallyProtocolData::appendString(m_name, data);
	uint16_t count = m_parameters ? static_cast<uint16_t>(m_parameters->size()) : 0;
	TallyProtocolData::appendUshort(count, data);
	if (m_parameters)
	{
		for (auto const& [key, value] : *m_parameters)
		{
			TallyProtocolData::appendString(key, data);
			TallyProtocolData::appendString(value, data);
		}
	}
	TallyProtocolData::appendLong(startOffsetFromSessionStart(sessionStart), data);
	TallyProtocolData::appendLong(duration(), data);
}

void TallyEvent::encodeWithCoder(TallyArchiver& coder) const
{
	coder.encodeString("name", m_name);
	coder.encodeDate("started", m_started);
	coder.encodeDate("ended", m_ended);
	coder.encodeBool("timed", m_timed);
	coder.encodeStringMap("parameters", m_parameters);
	coder.encodeBool("automaticallyEnded", m_automaticallyEnded);
	coder.encodeInteger("eventLogId", m_eventLogId);
}

lang::Ptr<TallyEvent> TallyEvent::initWithCoder(TallyUnarchiver const& coder)
{
	std::string name = coder.decodeString("name").value_or("");
	TallyOptionalDate started = coder.decodeDate("started");
	TallyOptionalDate ended = coder.decodeDate("ended");
	bool timed = coder.decodeBool("timed");
	Parameters parameters = coder.decodeStringMap("parameters");
	bool automaticallyEnded = coder.decodeBool("automaticallyEnded");
	int id = static_cast<int>(coder.decodeInteger("eventLogId", INT_MIN, INT_MAX));
	return new TallyEvent(name, started, ended, timed, automaticallyEnded, parameters, id);
}
