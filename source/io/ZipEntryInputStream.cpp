#include "ZipEntryInputStream.h"

namespace io
{

ZipEntryInputStream::ZipEntryInputStream(std::string const& name, std::vector<char> const& bytes) :
	ByteArrayInputStream(bytes.data(), static_cast<int>(bytes.size()))
{
	setName(name);
}

ZipEntryInputStream::~ZipEntryInputStream() {}

} // io
