#pragma once

#include "Exception.h"

namespace lang
{

/** A waiting thread was interrupted. */
class ThreadInterruptedException : public Exception
{
public:
	ThreadInterruptedException() {}
	explicit ThreadInterruptedException(Format const& msg) : Exception(msg) {}
};

} // lang
