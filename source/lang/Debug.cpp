#include "Debug.h"
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lang
{

namespace
{

/** -1 until known, else 0 or 1. */
std::atomic<int> s_verbose{-1};

void write(char const* fmt, va_list args)
{
	char buf[Debug::BUFFER_SIZE];
	vsnprintf(buf, sizeof(buf), fmt, args);
	buf[Debug::BUFFER_SIZE - 1] = 0;
	::printf("%s", buf);
	fflush(stdout);
}

} // namespace

void Debug::printf(char const* fmt, ...)
{
	va_list args;
	va_start(args, fmt);
	write(fmt, args);
	va_end(args);
}

void Debug::debug(char const* fmt, ...)
{
	if (!verbose())
		return;
	va_list args;
	va_start(args, fmt);
	write(fmt, args);
	va_end(args);
}

bool Debug::verbose()
{
	int known = s_verbose.load();
	if (known < 0)
	{
		char const* env = std::getenv("ENGINE_VERBOSE");
		int const on = env && *env && std::strcmp(env, "0") != 0 ? 1 : 0;
		s_verbose.compare_exchange_strong(known, on);
		known = s_verbose.load();
	}
	return known == 1;
}

void Debug::setVerbose(bool on)
{
	s_verbose.store(on ? 1 : 0);
}

} // lang
