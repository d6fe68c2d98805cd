#include "ByteArrayOutputStream.h"
#include <io/IOException.h>
#include <lang/Format.h>

namespace io
{

ByteArrayOutputStream::ByteArrayOutputStream(int capacity) : OutputStream(lang::Ptr<OutputStream>())
{
	if (capacity > 0)
		m_data.reserve(static_cast<size_t>(capacity));
}

ByteArrayOutputStream::~ByteArrayOutputStream() {}

void ByteArrayOutputStream::write(void const* data, int size)
{
	if (size < 0)
		lang::throwError(IOException(lang::Format("Invalid byte count {0} for {1}", size, toString())));
	if (size > 0)
	{
		auto p = static_cast<unsigned char const*>(data);
		m_data.insert(m_data.end(), p, p + size);
	}
}

std::string ByteArrayOutputStream::toString() const
{
	return "ByteArrayOutputStream";
}

} // io
