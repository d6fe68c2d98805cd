#include "TallyLog.h"
#include "TallyUtil.h"
#include <lang/Debug.h>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace
{

/** Where the debug lines go, under its lock. */
struct LogSink
{
	std::mutex mutex;
	std::function<void(std::string const&)> function;
};

/** Never destroyed: detached threads may still log while the process exits. */
LogSink& logSink()
{
	static LogSink* const s_sink = new LogSink;
	return *s_sink;
}

} // namespace

std::string tallyDateText(TallyOptionalDate date)
{
	if (!date)
		return "(null)";
	int64_t seconds = *date / 1000000;
	if (*date % 1000000 < 0)
		--seconds;
	time_t t = static_cast<time_t>(seconds);
	struct tm parts;
	if (!gmtime_r(&t, &parts))
		return "(invalid date)";
	char buf[64];
	snprintf(buf, sizeof(buf), "%04d-%02d-%02d %02d:%02d:%02d +0000", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
	         parts.tm_hour, parts.tm_min, parts.tm_sec);
	return buf;
}

std::string TallyLogArg::format(std::string const& spec) const
{
	char conversion = spec.back();
	std::string flags = spec.substr(0, spec.size() - 1);
	char buf[512];
	if (conversion == '@' || conversion == 's')
	{
		if (m_kind == TEXT)
			return m_text;
		if (m_kind == INTEGER)
			return std::to_string(m_integer);
		if (m_kind == REAL)
			return format("%f");
		return format("%p");
	}
	if (conversion == 'd' || conversion == 'i' || conversion == 'u' || conversion == 'x' || conversion == 'X')
	{
		int64_t value = m_kind == INTEGER ? m_integer : m_kind == REAL ? static_cast<int64_t>(m_real) : 0;
		std::string f = flags + "ll" + conversion;
		snprintf(buf, sizeof(buf), f.c_str(), static_cast<long long>(value));
		return buf;
	}
	if (conversion == 'f' || conversion == 'g' || conversion == 'e')
	{
		double value = m_kind == REAL ? m_real : m_kind == INTEGER ? static_cast<double>(m_integer) : 0.0;
		snprintf(buf, sizeof(buf), spec.c_str(), value);
		return buf;
	}
	if (conversion == 'p')
	{
		snprintf(buf, sizeof(buf), "%p", m_kind == ADDRESS ? m_address : nullptr);
		return buf;
	}
	return m_text;
}

std::string tallyFormat(char const* pattern, std::initializer_list<TallyLogArg> args)
{
	std::string out;
	auto next = args.begin();
	for (char const* p = pattern; *p; ++p)
	{
		if (*p != '%')
		{
			out += *p;
			continue;
		}
		if (p[1] == '%')
		{
			out += '%';
			++p;
			continue;
		}
		// A conversion: flags, width and precision, then the letter.
		std::string spec = "%";
		++p;
		while (*p && std::string("-+ #0123456789.").find(*p) != std::string::npos && spec.size() < 16)
			spec += *p++;
		while (*p == 'l' || *p == 'h')
			++p;
		if (!*p)
			break;
		spec += *p;
		if (next != args.end())
			out += (next++)->format(spec);
	}
	return out;
}

void tallyLog(char const* pattern, std::initializer_list<TallyLogArg> args)
{
	if (!TallyUtil::isDebugLogEnabled())
		return;
	std::string line = tallyFormat(pattern, args);
	LogSink& s = logSink();
	std::lock_guard<std::mutex> lock(s.mutex);
	if (s.function)
		s.function(line);
	else
		lang::Debug::printf("%s\n", line.c_str());
}

void setTallyLogSink(std::function<void(std::string const&)> function)
{
	LogSink& s = logSink();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.function = std::move(function);
}
