#pragma once

#include "Exception.h"

namespace lang
{

/** Malformed message pattern. */
class FormatException : public Exception
{
public:
	FormatException() {}
	explicit FormatException(Format const& msg) : Exception(msg) {}
};

} // lang
