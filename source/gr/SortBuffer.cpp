#include <gr/SortBuffer.h>
#include <cassert>
#include <cstddef>

namespace gr
{

namespace
{
unsigned char const GUARD[4] = {'o', 'k', '!', 0};
}

SortBuffer::SortBuffer() : m_shorts(nullptr), m_floats(nullptr)
{
}

SortBuffer::~SortBuffer()
{
	assert(m_buf.empty() || m_buf.size() > 4);
}

void SortBuffer::reset(int shorts, int floats)
{
	assert(shorts >= 0 && floats >= 0);
	std::size_t const floatBytes = std::size_t(floats) * sizeof(float);
	std::size_t const shortBytes = std::size_t(shorts) * sizeof(unsigned short);
	m_buf.resize(floatBytes + shortBytes + sizeof(GUARD));
	unsigned char* base = m_buf.data();
	m_floats = reinterpret_cast<float*>(base);
	m_shorts = reinterpret_cast<unsigned short*>(base + floatBytes);
	for (std::size_t i = 0; i < sizeof(GUARD); ++i)
		base[floatBytes + shortBytes + i] = GUARD[i];
}

bool SortBuffer::guardIntact() const
{
	if (m_buf.size() < sizeof(GUARD))
		return false;
	std::size_t const at = m_buf.size() - sizeof(GUARD);
	for (std::size_t i = 0; i < sizeof(GUARD); ++i)
		if (m_buf[at + i] != GUARD[i])
			return false;
	return true;
}

} // gr
