#pragma once

#include <lang/Exception.h>

namespace gr
{

/** Failure of the rendering layer. */
class GraphicsException : public lang::Exception
{
public:
	GraphicsException() {}
	explicit GraphicsException(lang::Format const& msg) : lang::Exception(msg) {}
};

} // gr
