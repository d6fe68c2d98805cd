#pragma once

#include <lang/Exception.h>

namespace net
{

/** A request that failed: no handle, a transport failure or a broken limit. */
class HttpRequestException : public lang::Exception
{
public:
	explicit HttpRequestException(lang::Format const& msg) : lang::Exception(msg) {}
};

} // net
