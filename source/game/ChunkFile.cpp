#include "ChunkFile.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <io/std/BundleInputStream.h>
#include <lang/Format.h>
#include <cassert>

namespace game
{

ChunkFile::ChunkFile(std::string const& path) : m_name(path)
{
	lang::Ptr<io::BundleInputStream> in = new io::BundleInputStream(path);
	m_data = new io::ByteArrayInputStream(*in);
	readHeader();
}

ChunkFile::ChunkFile(io::InputStream& in) : m_name(in.toString())
{
	m_data = new io::ByteArrayInputStream(in);
	readHeader();
}

void ChunkFile::readHeader()
{
	m_begin = m_data->data();
	m_end = m_begin + m_data->size();
	m_pos = m_begin;
	m_container = false;
	ChunkReader in = whole();
	if (in.available() < 4 || in.readInt() != MAGIC)
		return;
	m_container = true;
	int const size = in.readInt();
	if (size > in.available())
		malformed();
	m_pos = m_begin + 8;
}

ChunkReader ChunkFile::whole() const
{
	return ChunkReader(m_begin, m_end, m_name);
}

bool ChunkFile::nextChunk(int& tag, ChunkReader& body)
{
	if (!m_container || m_pos >= m_end)
		return false;
	ChunkReader in(m_pos, m_end, m_name);
	tag = in.readInt();
	int const length = in.readInt();
	if (length < 0 || length > in.available())
		malformed();
	char const* const start = m_end - in.available();
	body = ChunkReader(start, start + length, m_name);
	m_pos = start + length;
	return true;
}

ChunkReader ChunkFile::throughEnd(ChunkReader const& body)
{
	char const* const from = body.position();
	assert(from >= m_begin && from <= m_end);
	m_pos = m_end;
	return ChunkReader(from, m_end, m_name);
}

void ChunkFile::readBodies(int tag, std::function<void(ChunkReader&)> const& readBody)
{
	ChunkReader body = whole();
	if (!m_container)
	{
		readBody(body);
		return;
	}
	int found = 0;
	while (nextChunk(found, body))
	{
		if (found == tag && body.readShort() == 1)
			readBody(body);
	}
}

std::string ChunkFile::imagePath(std::string const& imageName) const
{
	// Names are relative to the data file's folder and must stay inside the
	// bundle: nothing absolute (no leading slash or drive) and no ".." that
	// climbs above the bundle folder once joined.
	if (imageName.empty() || imageName[0] == '/' || imageName[0] == '\\' || imageName.find(':') != std::string::npos)
		malformed();
	std::string const file = (!m_name.empty() && (m_name[0] == '/' || m_name[0] == '\\')) ? m_name.substr(1) : m_name;
	io::PathName const joined(io::PathName(file).parent().path(), imageName);
	std::string const& path = joined.path();
	if (path.empty() || path[0] == '/' || path == ".." || path.compare(0, 3, "../") == 0)
		malformed();
	return path;
}

void ChunkFile::malformed() const
{
	lang::throwError(io::IOException(lang::Format("Malformed QRX5 file: {0}", m_name)));
}

} // game
