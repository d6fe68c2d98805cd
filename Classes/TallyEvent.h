#pragma once

#include <TallyDate.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <map>
#include <optional>
#include <string>

class TallyArchiver;
class TallyUnarchiver;

/**
 * One logged event of a session: its name, optional parameters, start and,
 * for a timed event, end. It writes its own block of the report with times
 * relative to the session's start, and archives itself for the session's
 * file. An event is changed only by its session, under the session's lock.
 */
class TallyEvent : public lang::Object
{
public:
	/** Parameters; none differs from an empty map. */
	using Parameters = std::optional<std::map<std::string, std::string>>;

	/**
	 * Starts now (TallyPlatform::now), not ended, not automatically ended,
	 * with the next event id (TallyAutoIncrement key 2).
	 */
	TallyEvent(std::string const& name, bool timed = false, Parameters parameters = std::nullopt);

	/** An event with every field given, as read from an archive. */
	TallyEvent(std::string const& name, TallyOptionalDate started, TallyOptionalDate ended, bool timed, bool automaticallyEnded,
	           Parameters const& parameters, int eventLogId);

	std::string const& name() const { return m_name; }
	void setName(std::string const& name) { m_name = name; }
	TallyOptionalDate started() const { return m_started; }
	TallyOptionalDate ended() const { return m_ended; }
	void setEnded(TallyOptionalDate ended) { m_ended = ended; }
	bool timed() const { return m_timed; }
	bool automaticallyEnded() const { return m_automaticallyEnded; }
	void setAutomaticallyEnded(bool value) { m_automaticallyEnded = value; }
	Parameters const& parameters() const { return m_parameters; }
	void setParameters(Parameters const& parameters) { m_parameters = parameters; }
	int eventLogId() const { return m_eventLogId; }

	/** Timed and not ended. */
	bool isUnterminated() const;

	/** Milliseconds from the session's start to the event's start (64 bits, may be negative). */
	int64_t startOffsetFromSessionStart(TallyOptionalDate sessionStart) const;

	/** Milliseconds from start to end of an ended timed event; 0 otherwise. */
	int64_t duration() const;

	/** The event's block of the report. */
	std::string dataRelativeToSessionStart(TallyOptionalDate sessionStart) const;

	/** Appends the event's block to data. */
	void appendDataRelativeToSessionStart(TallyOptionalDate sessionStart, std::string& data) const;

	/** Writes the keys "name", "started", "ended", "timed", "parameters", "automaticallyEnded", "eventLogId". */
	void encodeWithCoder(TallyArchiver& coder) const;

	/**
	 * Reads an event back; a missing key gives none, false or 0.
	 * @exception TallyArchiveError For a value of the wrong kind or range.
	 */
	static lang::Ptr<TallyEvent> initWithCoder(TallyUnarchiver const& coder);

private:
	std::string m_name;
	TallyOptionalDate m_started;
	TallyOptionalDate m_ended;
	bool m_timed;
	bool m_automaticallyEnded;
	Parameters m_parameters;
	int m_eventLogId;
};
