#pragma once

#include <lang/Exception.h>

namespace io
{

/** Stream and file failure; the message names the stream. */
class IOException : public lang::Exception
{
public:
	IOException() {}
	explicit IOException(lang::Format const& msg) : lang::Exception(msg) {}
};

} // io
