#pragma once

#include <TallyDate.h>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>
#include <string>

/** One argument of a debug line: a text, an integer, a real number or an address. */
class TallyLogArg
{
public:
	TallyLogArg(std::string text) : m_kind(TEXT), m_text(std::move(text)) {}
	TallyLogArg(char const* text) : m_kind(TEXT), m_text(text ? text : "(null)") {}
	TallyLogArg(int value) : m_kind(INTEGER), m_integer(value) {}
	TallyLogArg(int64_t value) : m_kind(INTEGER), m_integer(value) {}
	TallyLogArg(double value) : m_kind(REAL), m_real(value) {}
	TallyLogArg(void const* address) : m_kind(ADDRESS), m_address(address) {}

	/** A date, shown as tallyDateText() shows it. */
	static TallyLogArg date(TallyOptionalDate date) { return TallyLogArg(tallyDateText(date)); }

	/** The argument for a printf conversion spec (such as "%5d"); "%@" takes the text form. */
	std::string format(std::string const& spec) const;

private:
	enum Kind
	{
		TEXT,
		INTEGER,
		REAL,
		ADDRESS,
	};
	Kind m_kind;
	std::string m_text;
	int64_t m_integer = 0;
	double m_real = 0.0;
	void const* m_address = nullptr;
};

/**
 * Writes one debug line of the agent when its debug logging is on
 * (TallyUtil::isDebugLogEnabled). The pattern takes printf conversions, each
 * filled by the next argument, and "%@" for an argument's text; a missing
 * argument gives an empty text. The line goes to the sink, by default
 * lang::Debug::printf with a line feed added. Thread-safe.
 */
void tallyLog(char const* pattern, std::initializer_list<TallyLogArg> args = {});

/** Formats a line as tallyLog does, whatever the debug switch. */
std::string tallyFormat(char const* pattern, std::initializer_list<TallyLogArg> args = {});

/**
 * Replaces the sink of the debug lines (tests capture them here); an empty
 * function restores the default. Thread-safe; the sink is called under a lock.
 */
void setTallyLogSink(std::function<void(std::string const&)> sink);
