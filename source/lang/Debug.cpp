#include "Debug.h"
#include <cstdarg>
#include <cstdio>

namespace lang
{

void Debug::printf(char const* fmt, ...)
{
	char buf[BUFFER_SIZE];
	va_list args;
	va_start(args, fmt);
	vsnprintf(buf, sizeof(buf), fmt, args);
	va_end(args);
	buf[BUFFER_SIZE - 1] = 0;
	::printf("%s", buf);
	fflush(stdout);
}

} // lang
