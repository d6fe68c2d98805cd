#include "ByteArrayInputStream.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <algorithm>
#include <cstring>
#include <utility>

namespace io
{

namespace
{

void checkSize(int size, InputStream const& stream)
{
	if (size < 0)
		lang::throwError(IOException(lang::Format("Invalid byte count {0} for {1}", size, stream.toString())));
}

} // namespace

ByteArrayInputStream::ByteArrayInputStream() : InputStream(lang::Ptr<InputStream>()), m_index(0) {}

ByteArrayInputStream::ByteArrayInputStream(void const* data, int size) : InputStream(lang::Ptr<InputStream>()), m_index(0)
{
	reset(data, size);
}

ByteArrayInputStream::ByteArrayInputStream(InputStream& source) : InputStream(lang::Ptr<InputStream>()), m_index(0)
{
	m_name = source.toString();

	// The size the source reports is only a first guess: read until it
	// returns 0, so that neither a short read nor a wrong size loses data.
	const int block = 1024;
	int avail = source.available();
	size_t used = 0;
	m_data.resize(avail > 0 ? static_cast<size_t>(avail) : block);
	for (;;)
	{
		if (used == m_data.size())
			m_data.resize(m_data.size() + std::max<size_t>(block, m_data.size() / 2));
		int want = static_cast<int>(std::min<size_t>(m_data.size() - used, 0x7FFFFFFF));
		int got = source.read(m_data.data() + used, want);
		if (got <= 0)
			break;
		used += static_cast<size_t>(std::min(got, want));
		if (used > 0x7FFFFFFF)
			lang::throwError(IOException(lang::Format("{0} is too large to read into memory", m_name)));
	}
	m_data.resize(used);
	m_data.shrink_to_fit();
}

ByteArrayInputStream::ByteArrayInputStream(std::string&& data) : InputStream(lang::Ptr<InputStream>()), m_index(0)
{
	adopt(std::move(data));
}

ByteArrayInputStream::~ByteArrayInputStream() {}

void ByteArrayInputStream::adopt(std::string&& data)
{
	if (data.size() > 0x7FFFFFFF)
		lang::throwError(IOException(lang::Format("{0} bytes are too many for {1}", static_cast<double>(data.size()), toString())));
	m_data = std::move(data);
	data.clear();
	m_index = 0;
}

void ByteArrayInputStream::reset(void const* data, int size)
{
	checkSize(size, *this);
	if (data)
		m_data.assign(static_cast<char const*>(data), static_cast<char const*>(data) + size);
	else
		m_data.assign(static_cast<size_t>(size), '\0');
	m_index = 0;
}

int ByteArrayInputStream::read(void* data, int size)
{
	checkSize(size, *this);
	int n = std::min(size, available());
	if (n > 0)
	{
		memcpy(data, m_data.data() + m_index, static_cast<size_t>(n));
		m_index += n;
	}
	return n;
}

int ByteArrayInputStream::skip(int n)
{
	n = std::clamp(n, 0, available());
	m_index += n;
	return n;
}

bool ByteArrayInputStream::seek(int offset, SeekMode mode)
{
	long long base = 0;
	switch (mode)
	{
	case SEEK_BEGIN: base = 0; break;
	case SEEK_CURRENT: base = m_index; break;
	case SEEK_END: base = static_cast<long long>(m_data.size()); break;
	default: return false;
	}
	long long target = base + offset;
	long long size = static_cast<long long>(m_data.size());
	m_index = static_cast<int>(std::clamp(target, 0LL, size));
	return target >= 0 && target <= size;
}

int ByteArrayInputStream::available() const
{
	return static_cast<int>(m_data.size()) - m_index;
}

std::string ByteArrayInputStream::toString() const
{
	if (m_name.empty())
		return "ByteArrayInputStream";
	return m_name;
}

char const* ByteArrayInputStream::data() const
{
	return m_data.empty() ? nullptr : m_data.data();
}

} // io
