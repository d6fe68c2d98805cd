#include "InputStream.h"

namespace io
{

InputStream::InputStream(InputStream& source) : lang::Object(), m_source(&source) {}

InputStream::InputStream(lang::Ptr<InputStream> embedded) : m_embedded(embedded), m_source(nullptr) {}

InputStream::~InputStream() {}

InputStream* InputStream::getEmbeddedStream() const
{
	if (m_source)
		return m_source;
	return &*m_embedded;
}

int InputStream::read(void* data, int size)
{
	return getEmbeddedStream()->read(data, size);
}

int InputStream::skip(int n)
{
	return getEmbeddedStream()->skip(n);
}

bool InputStream::seek(int offset, SeekMode mode)
{
	return getEmbeddedStream()->seek(offset, mode);
}

int InputStream::available() const
{
	return getEmbeddedStream()->available();
}

std::string InputStream::toString() const
{
	return getEmbeddedStream()->toString();
}

} // io
