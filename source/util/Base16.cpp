#include "Base16.h"
#include "BaseN.h"

namespace util
{

std::string Base16::encode(std::string const& bytes)
{
	// Built on first use, so that code running during static
	// initialisation may encode too.
	static BaseN<1, 2> const codec("0123456789ABCDEF");
	return codec.encode(bytes);
}

} // util
