#pragma once

#include "Exception.h"

namespace lang
{

/** Memory allocation failed. */
class OutOfMemoryException : public Exception
{
public:
	OutOfMemoryException() {}
	explicit OutOfMemoryException(Format const& msg) : Exception(msg) {}
};

} // lang
