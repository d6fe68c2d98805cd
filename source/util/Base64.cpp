#include "Base64.h"
#include "BaseN.h"

namespace util
{

std::string Base64::decode(std::string const& text)
{
	static BaseN<3, 4> const codec("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
	return codec.decode(text);
}

} // util
