#include "OutputStream.h"

namespace io
{

OutputStream::OutputStream(lang::Ptr<OutputStream> embedded) : m_embedded(embedded) {}

OutputStream::~OutputStream() {}

OutputStream* OutputStream::getEmbeddedStream() const
{
	return &*m_embedded;
}

void OutputStream::write(void const* data, int size)
{
	getEmbeddedStream()->write(data, size);
}

std::string OutputStream::toString() const
{
	return getEmbeddedStream()->toString();
}

} // io
