#include "SevenZipBounds.h"
#include "ArchiveSource.h"
#include <cstdint>
#include <vector>

namespace io
{
namespace detail
{

namespace
{

typedef std::uint64_t u64;

// Property ids of the 7z header.
enum : u64
{
	ID_END = 0x00,
	ID_HEADER = 0x01,
	ID_ARCHIVE_PROPERTIES = 0x02,
	ID_ADDITIONAL_STREAMS = 0x03,
	ID_MAIN_STREAMS = 0x04,
	ID_FILES = 0x05,
	ID_PACK_INFO = 0x06,
	ID_UNPACK_INFO = 0x07,
	ID_SUBSTREAMS_INFO = 0x08,
	ID_SIZE = 0x09,
	ID_CRC = 0x0A,
	ID_FOLDER = 0x0B,
	ID_CODERS_UNPACK_SIZE = 0x0C,
	ID_NUM_UNPACK_STREAM = 0x0D,
	ID_ENCODED_HEADER = 0x17,
};

// Coder ids whose properties size the decoder's memory.
constexpr u64 CODER_LZMA = 0x030101;
constexpr u64 CODER_LZMA2 = 0x21;
constexpr u64 CODER_PPMD = 0x030401;

// Limits on counts that the header's own bytes cannot bound tightly.
constexpr u64 MAX_CODERS = 64;
constexpr u64 MAX_CODER_STREAMS = 64;

/** Thrown inside the parser for a header that is malformed or over a bound. */
struct Refused
{
};

/** Reader of the header's numbers and bytes; every read is checked against its end. */
class HeaderReader
{
public:
	HeaderReader(unsigned char const* p, std::size_t n) : m_p(p), m_end(p + n) {}

	std::size_t left() const { return static_cast<std::size_t>(m_end - m_p); }

	unsigned byte()
	{
		if (m_p == m_end)
			throw Refused();
		return *m_p++;
	}

	void skip(u64 n)
	{
		if (n > left())
			throw Refused();
		m_p += n;
	}

	/** The format's variable-length number: leading one bits of the first byte count the bytes that follow. */
	u64 number()
	{
		unsigned const first = byte();
		unsigned mask = 0x80;
		u64 value = 0;
		for (int i = 0; i < 8; ++i)
		{
			if ((first & mask) == 0)
				return value + (static_cast<u64>(first & (mask - 1)) << (8 * i));
			value |= static_cast<u64>(byte()) << (8 * i);
			mask >>= 1;
		}
		return value;
	}

	/** A count, at most limit and never more than the bytes left could describe at bitsPerItem bits each. */
	u64 count(u64 limit, unsigned bitsPerItem = 8)
	{
		u64 const n = number();
		if (n > limit || n > (static_cast<u64>(left()) * 8 + 7) / bitsPerItem + 1)
			throw Refused();
		return n;
	}

	/**
	 * A digest list of n items: all-defined flag, a bit vector (first item
	 * in the top bit) when not all, four bytes per defined item.
	 * @return Which items have a digest.
	 */
	std::vector<bool> digests(u64 n)
	{
		std::vector<bool> defined;
		if (byte() != 0)
		{
			if (n > left() / 4)
				throw Refused();
			defined.assign(n, true);
		}
		else
		{
			unsigned bits = 0;
			for (u64 i = 0; i < n; ++i)
			{
				if (i % 8 == 0)
					bits = byte();
				defined.push_back((bits >> (7 - i % 8)) & 1);
			}
		}
		u64 count = 0;
		for (bool d : defined)
			count += d ? 1 : 0;
		skip(count * 4);
		return defined;
	}

private:
	unsigned char const* m_p;
	unsigned char const* m_end;
};

/** What the streams info declared, for the checks of what follows it. */
struct StreamsInfo
{
	std::vector<u64> unpackSizes;
	std::vector<bool> folderCrc;
	std::vector<u64> outStreams;
};

void checkCoderMemory(u64 id, HeaderReader& r, u64 propsSize)
{
	HeaderReader props = r;
	r.skip(propsSize);
	u64 memory = 0;
	if (id == CODER_LZMA && propsSize >= 5)
	{
		props.byte();
		for (int i = 0; i < 4; ++i)
			memory |= static_cast<u64>(props.byte()) << (8 * i);
	}
	else if (id == CODER_PPMD && propsSize >= 5)
	{
		props.byte();
		for (int i = 0; i < 4; ++i)
			memory |= static_cast<u64>(props.byte()) << (8 * i);
	}
	else if (id == CODER_LZMA2 && propsSize >= 1)
	{
		unsigned const bits = props.byte() & 0x3F;
		memory = bits >= 40 ? ~u64(0) : (u64(2) | (bits & 1)) << (bits / 2 + 11);
	}
	if (memory > static_cast<u64>(SEVENZIP_MAX_CODER_MEMORY))
		throw Refused();
}

/** One folder: its coders, bind pairs and packed-stream indices. @return Its number of output streams. */
u64 readFolder(HeaderReader& r)
{
	u64 const coders = r.count(MAX_CODERS, 16);
	if (coders == 0)
		throw Refused();
	u64 inStreams = 0;
	u64 outStreams = 0;
	for (u64 c = 0; c < coders; ++c)
	{
		unsigned const flags = r.byte();
		if (flags & 0x80)
			throw Refused(); // alternative methods are not part of the format any more
		u64 id = 0;
		for (unsigned i = 0; i < (flags & 0x0F); ++i)
			id = (id << 8) | r.byte();
		u64 in = 1;
		u64 out = 1;
		if (flags & 0x10)
		{
			in = r.count(MAX_CODER_STREAMS);
			out = r.count(MAX_CODER_STREAMS);
		}
		inStreams += in;
		outStreams += out;
		if (flags & 0x20)
			checkCoderMemory(id, r, r.number());
	}
	if (outStreams == 0 || inStreams > MAX_CODERS * MAX_CODER_STREAMS || outStreams > MAX_CODERS * MAX_CODER_STREAMS)
		throw Refused();
	u64 const bindPairs = outStreams - 1;
	for (u64 i = 0; i < bindPairs; ++i)
	{
		r.number();
		r.number();
	}
	if (inStreams < bindPairs)
		throw Refused();
	u64 const packed = inStreams - bindPairs;
	if (packed > 1)
		for (u64 i = 0; i < packed; ++i)
			r.number();
	return outStreams;
}

/** Pack info, unpack info and sub-streams info, each optional, up to their end marker. */
StreamsInfo readStreamsInfo(HeaderReader& r, long long archiveSize, u64 maxUnpackSize)
{
	StreamsInfo info;
	u64 id = r.number();
	if (id == ID_PACK_INFO)
	{
		u64 const packPos = r.number();
		u64 const streams = r.count(~u64(0));
		u64 end = 32;
		if (packPos > static_cast<u64>(archiveSize))
			throw Refused();
		end += packPos;
		for (id = r.number(); id != ID_END; id = r.number())
		{
			if (id == ID_SIZE)
			{
				for (u64 i = 0; i < streams; ++i)
				{
					u64 const size = r.number();
					if (size > static_cast<u64>(archiveSize))
						throw Refused();
					end += size;
				}
			}
			else if (id == ID_CRC)
				r.digests(streams);
			else
				throw Refused();
		}
		if (end > static_cast<u64>(archiveSize))
			throw Refused();
		id = r.number();
	}
	if (id == ID_UNPACK_INFO)
	{
		if (r.number() != ID_FOLDER)
			throw Refused();
		u64 const folders = r.count(~u64(0), 16);
		if (r.byte() != 0)
			throw Refused(); // folders stored elsewhere
		for (u64 f = 0; f < folders; ++f)
			info.outStreams.push_back(readFolder(r));
		if (r.number() != ID_CODERS_UNPACK_SIZE)
			throw Refused();
		for (u64 f = 0; f < folders; ++f)
		{
			u64 size = 0;
			for (u64 o = 0; o < info.outStreams[f]; ++o)
			{
				size = r.number();
				if (size > maxUnpackSize)
					throw Refused();
			}
			info.unpackSizes.push_back(size);
		}
		info.folderCrc.assign(folders, false);
		for (id = r.number(); id != ID_END; id = r.number())
		{
			if (id != ID_CRC)
				throw Refused();
			info.folderCrc = r.digests(folders);
		}
		id = r.number();
	}
	if (id == ID_SUBSTREAMS_INFO)
	{
		std::size_t const folders = info.unpackSizes.size();
		std::vector<u64> perFolder(folders, 1);
		id = r.number();
		if (id == ID_NUM_UNPACK_STREAM)
		{
			// Each stream past the first of a folder has its size written below.
			u64 total = 0;
			for (std::size_t f = 0; f < folders; ++f)
			{
				perFolder[f] = r.count(~u64(0), 8);
				total += perFolder[f];
				if (total > folders + r.left())
					throw Refused();
			}
			id = r.number();
		}
		if (id == ID_SIZE)
		{
			for (std::size_t f = 0; f < folders; ++f)
				for (u64 s = 1; s < perFolder[f]; ++s)
					r.number();
			id = r.number();
		}
		u64 digests = 0;
		for (std::size_t f = 0; f < folders; ++f)
			if (perFolder[f] != 1 || !info.folderCrc[f])
				digests += perFolder[f];
		for (; id != ID_END; id = r.number())
		{
			if (id != ID_CRC)
				throw Refused();
			r.digests(digests);
		}
		id = r.number();
	}
	if (id != ID_END)
		throw Refused();
	return info;
}

/** The plain header: archive properties, streams, files. */
void readHeader(HeaderReader& r, long long archiveSize)
{
	u64 id = r.number();
	if (id == ID_ARCHIVE_PROPERTIES)
	{
		for (id = r.number(); id != ID_END; id = r.number())
			r.skip(r.number());
		id = r.number();
	}
	if (id == ID_ADDITIONAL_STREAMS)
	{
		readStreamsInfo(r, archiveSize, ~u64(0));
		id = r.number();
	}
	if (id == ID_MAIN_STREAMS)
	{
		readStreamsInfo(r, archiveSize, ~u64(0));
		id = r.number();
	}
	if (id == ID_FILES)
	{
		// Every file takes at least a bit of the header (an empty-stream
		// flag, or a size among the sub-streams); the properties that
		// follow are sized, and the decoder checks them against the count.
		r.count(~u64(0), 1);
		return;
	}
	if (id != ID_END)
		throw Refused();
}

u64 le64(unsigned char const* p)
{
	u64 v = 0;
	for (int i = 7; i >= 0; --i)
		v = (v << 8) | p[i];
	return v;
}

bool readAt(ArchiveSource& src, u64 offset, unsigned char* buf, std::size_t n)
{
	if (!src.seek(static_cast<long long>(offset), 0))
		return false;
	std::size_t got = 0;
	while (got < n)
	{
		int const chunk = n - got > (1u << 20) ? (1 << 20) : static_cast<int>(n - got);
		int const r = src.read(buf + got, chunk);
		if (r <= 0)
			return false;
		got += static_cast<std::size_t>(r);
	}
	return true;
}

} // namespace

bool checkSevenZipBounds(ArchiveSource& src)
{
	static unsigned char const SIGNATURE[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
	long long const size = src.size;
	unsigned char start[32];
	if (size < 32 || !readAt(src, 0, start, sizeof(start)))
		return false;
	for (int i = 0; i < 6; ++i)
		if (start[i] != SIGNATURE[i])
			return false;
	u64 const offset = le64(start + 12);
	u64 const length = le64(start + 20);
	u64 const room = static_cast<u64>(size) - 32;
	if (offset > room || length > room - offset || length > static_cast<u64>(SEVENZIP_MAX_HEADER))
		return false;
	if (length == 0)
		return true; // an empty archive
	std::vector<unsigned char> header(static_cast<std::size_t>(length));
	if (!readAt(src, 32 + offset, header.data(), header.size()))
		return false;
	try
	{
		HeaderReader r(header.data(), header.size());
		u64 const id = r.number();
		if (id == ID_ENCODED_HEADER)
			readStreamsInfo(r, size, static_cast<u64>(SEVENZIP_MAX_HEADER));
		else if (id == ID_HEADER)
			readHeader(r, size);
		else
			return false;
	}
	catch (Refused const&)
	{
		return false;
	}
	return true;
}

} // detail
} // io
