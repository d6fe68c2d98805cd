#pragma once

#include "Throwable.h"

namespace lang
{

/** General run-time failure; base of the engine's exception classes. */
class Exception : public Throwable
{
public:
	Exception() {}
	explicit Exception(Format const& msg) : Throwable(msg) {}
};

} // lang
