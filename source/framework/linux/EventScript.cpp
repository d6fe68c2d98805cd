#include "EventScript.h"
#include <lang/Exception.h>
#include <lang/Format.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace framework
{

namespace
{

struct LineReader
{
	std::string const& name;
	int lineNo;
	std::vector<std::string> fields;
	std::string rest; // text after the second field, for url and notification

	[[noreturn]] void fail(std::string const& what) const
	{
		lang::throwError(lang::Exception(lang::Format("{0}:{1}: {2}", name, lineNo, what)));
	}

	long long integer(size_t index, char const* what, long long lo, long long hi) const
	{
		if (index >= fields.size())
			fail(std::string("missing ") + what);
		std::string const& f = fields[index];
		char* end = nullptr;
		errno = 0;
		long long v = std::strtoll(f.c_str(), &end, 10);
		if (f.empty() || *end != 0 || errno == ERANGE || v < lo || v > hi)
			fail(std::string("bad ") + what + " \"" + f + "\"");
		return v;
	}

	double real(size_t index, char const* what) const
	{
		if (index >= fields.size())
			fail(std::string("missing ") + what);
		std::string const& f = fields[index];
		char* end = nullptr;
		double v = std::strtod(f.c_str(), &end);
		if (f.empty() || *end != 0 || !std::isfinite(v))
			fail(std::string("bad ") + what + " \"" + f + "\"");
		return v;
	}

	void count(size_t n) const
	{
		if (fields.size() > n)
			fail("unexpected \"" + fields[n] + "\"");
	}
};

struct Name
{
	char const* text;
	ShellEvent::Kind kind;
};

Name const s_names[] = {
	{"touch-begin", ShellEvent::TOUCH_BEGIN},
	{"touch-move", ShellEvent::TOUCH_MOVE},
	{"touch-end", ShellEvent::TOUCH_END},
	{"touch-cancel", ShellEvent::TOUCH_CANCEL},
	{"key-down", ShellEvent::KEY_DOWN},
	{"key-up", ShellEvent::KEY_UP},
	{"wheel", ShellEvent::WHEEL},
	{"resize", ShellEvent::RESIZE},
	{"deactivate", ShellEvent::DEACTIVATE},
	{"activate", ShellEvent::ACTIVATE},
	{"url", ShellEvent::URL},
	{"notification", ShellEvent::NOTIFICATION},
	{"clock", ShellEvent::CLOCK},
};

long long const INT32_LO = -2147483648LL;
long long const INT32_HI = 2147483647LL;

} // namespace

std::vector<ShellEvent> EventScript::parse(std::string const& text, std::string const& name)
{
	std::vector<ShellEvent> events;
	int lastTick = 0;
	size_t pos = 0;
	int lineNo = 0;
	while (pos < text.size())
	{
		size_t eol = text.find('\n', pos);
		if (eol == std::string::npos)
			eol = text.size();
		std::string line = text.substr(pos, eol - pos);
		pos = eol + 1;
		++lineNo;
		if (!line.empty() && line.back() == '\r')
			line.pop_back();

		LineReader r{name, lineNo, {}, {}};
		if (line.find('\0') != std::string::npos)
			r.fail("a NUL byte in the line");
		size_t i = 0;
		while (i < line.size())
		{
			while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
				++i;
			if (i >= line.size())
				break;
			if (r.fields.size() == 2)
				r.rest = line.substr(i);
			size_t start = i;
			while (i < line.size() && line[i] != ' ' && line[i] != '\t')
				++i;
			r.fields.push_back(line.substr(start, i - start));
		}
		if (r.fields.empty() || r.fields[0][0] == '#')
			continue;

		ShellEvent e;
		e.tick = int(r.integer(0, "tick", 0, INT32_HI));
		if (e.tick < lastTick)
			r.fail("tick " + r.fields[0] + " goes back (after " + std::to_string(lastTick) + ")");
		lastTick = e.tick;
		if (r.fields.size() < 2)
			r.fail("missing event");
		Name const* found = nullptr;
		for (Name const& n : s_names)
			if (r.fields[1] == n.text)
				found = &n;
		if (!found)
			r.fail("unknown event \"" + r.fields[1] + "\"");
		e.kind = found->kind;

		switch (e.kind)
		{
		case ShellEvent::TOUCH_BEGIN:
		case ShellEvent::TOUCH_MOVE:
		case ShellEvent::TOUCH_END:
		case ShellEvent::TOUCH_CANCEL:
			e.a = int32_t(r.integer(2, "touch identity", INT32_LO, INT32_HI));
			e.b = int32_t(r.integer(3, "x", INT32_LO, INT32_HI));
			e.c = int32_t(r.integer(4, "y", INT32_LO, INT32_HI));
			r.count(5);
			break;
		case ShellEvent::KEY_DOWN:
		case ShellEvent::KEY_UP:
		{
			if (r.fields.size() < 3)
				r.fail("missing key name");
			int k = 0;
			while (k < App::KEY_COUNT && r.fields[2] != s_keysz[k])
				++k;
			if (k == App::KEY_COUNT)
				r.fail("unknown key \"" + r.fields[2] + "\"");
			e.key = App::KeyType(k);
			r.count(3);
			break;
		}
		case ShellEvent::WHEEL:
			e.a = int32_t(r.integer(2, "wheel steps", INT32_LO, INT32_HI));
			r.count(3);
			break;
		case ShellEvent::RESIZE:
			e.a = int32_t(r.integer(2, "width", INT32_LO, INT32_HI));
			e.b = int32_t(r.integer(3, "height", INT32_LO, INT32_HI));
			r.count(4);
			break;
		case ShellEvent::DEACTIVATE:
		case ShellEvent::ACTIVATE:
			r.count(2);
			break;
		case ShellEvent::URL:
		case ShellEvent::NOTIFICATION:
			if (r.rest.empty())
				r.fail(e.kind == ShellEvent::URL ? "missing address" : "missing event name");
			e.text = r.rest;
			while (!e.text.empty() && (e.text.back() == ' ' || e.text.back() == '\t'))
				e.text.pop_back();
			break;
		case ShellEvent::CLOCK:
			e.seconds = r.real(2, "seconds");
			if (std::fabs(e.seconds) > 1e9)
				r.fail("seconds out of range \"" + r.fields[2] + "\"");
			r.count(3);
			break;
		}
		events.push_back(e);
	}
	return events;
}

std::vector<ShellEvent> EventScript::load(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	if (!in)
		lang::throwError(lang::Exception(lang::Format("{0}: cannot be read ({1})", path, std::strerror(errno))));
	std::ostringstream text;
	text << in.rdbuf();
	if (in.bad())
		lang::throwError(lang::Exception(lang::Format("{0}: read failed", path)));
	return parse(text.str(), path);
}

} // framework
