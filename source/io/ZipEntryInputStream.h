#pragma once

#include <io/ByteArrayInputStream.h>
#include <string>
#include <vector>

namespace io
{

/** Memory stream over one extracted archive entry; toString() is the entry's name. */
class ZipEntryInputStream : public ByteArrayInputStream
{
public:
	/** Copies bytes. */
	ZipEntryInputStream(std::string const& name, std::vector<char> const& bytes);

	~ZipEntryInputStream() override;
};

} // io
