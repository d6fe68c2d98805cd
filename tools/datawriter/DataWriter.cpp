#include "DataWriter.h"
#include <cstdio>

namespace datawriter
{

DataWriter& DataWriter::writeInt(int v)
{
	unsigned const u = static_cast<unsigned>(v);
	m_bytes += char(u >> 24);
	m_bytes += char(u >> 16);
	m_bytes += char(u >> 8);
	m_bytes += char(u);
	return *this;
}

DataWriter& DataWriter::writeShort(int v)
{
	unsigned const u = static_cast<unsigned>(v);
	m_bytes += char(u >> 8);
	m_bytes += char(u);
	return *this;
}

DataWriter& DataWriter::writeByte(int v)
{
	m_bytes += char(v);
	return *this;
}

DataWriter& DataWriter::writeUTF(std::string const& text)
{
	writeShort(static_cast<int>(text.size()));
	m_bytes += text;
	return *this;
}

DataWriter& DataWriter::writeBytes(std::string const& bytes)
{
	m_bytes += bytes;
	return *this;
}

DataWriter& DataWriter::writeTag(std::string const& tag)
{
	std::string t = tag;
	t.resize(4, ' ');
	m_bytes += t;
	return *this;
}

DataWriter& DataWriter::beginFile()
{
	writeTag("QRX5");
	writeInt(0);
	return *this;
}

DataWriter& DataWriter::endFile(int adjust)
{
	patchInt(4, static_cast<int>(m_bytes.size()) - 8 + adjust);
	return *this;
}

DataWriter& DataWriter::beginChunk(std::string const& tag)
{
	writeTag(tag);
	m_open.push_back(m_bytes.size());
	writeInt(0);
	return *this;
}

DataWriter& DataWriter::endChunk(int adjust)
{
	if (m_open.empty())
		return *this;
	size_t const at = m_open.back();
	m_open.pop_back();
	patchInt(at, static_cast<int>(m_bytes.size() - at - 4) + adjust);
	return *this;
}

void DataWriter::patchInt(size_t offset, int v)
{
	if (offset + 4 > m_bytes.size())
		return;
	unsigned const u = static_cast<unsigned>(v);
	m_bytes[offset] = char(u >> 24);
	m_bytes[offset + 1] = char(u >> 16);
	m_bytes[offset + 2] = char(u >> 8);
	m_bytes[offset + 3] = char(u);
}

bool DataWriter::save(std::string const& path) const
{
	std::FILE* f = std::fopen(path.c_str(), "wb");
	if (!f)
		return false;
	bool ok = std::fwrite(m_bytes.data(), 1, m_bytes.size(), f) == m_bytes.size();
	ok = std::fclose(f) == 0 && ok;
	return ok;
}

} // datawriter
