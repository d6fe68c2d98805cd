#include "System.h"
#include <sys/time.h>

namespace lang
{

int64_t System::currentTimeMillis()
{
	timeval tv;
	gettimeofday(&tv, nullptr);
	return static_cast<int64_t>(tv.tv_sec) * 1000 + tv.tv_usec / 1000;
}

int64_t System::currentTimeMicros()
{
	timeval tv;
	gettimeofday(&tv, nullptr);
	return static_cast<int64_t>(tv.tv_sec) * 1000000 + tv.tv_usec;
}

} // lang
