#include "Integer.h"
#include <climits>
#include <cstdlib>

namespace lang
{

int Integer::parse(char const* text, char const** end, int* /*radix*/)
{
	char* e = nullptr;
	long v = strtol(text, &e, 10);
	if (end)
		*end = e;
	if (v > INT_MAX)
		return INT_MAX;
	if (v < INT_MIN)
		return INT_MIN;
	return static_cast<int>(v);
}

} // lang
