#include "SevenZip.h"
#include <io/InputStream.h>
#include <io/detail/SevenZipBounds.h>
#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

namespace io
{

namespace
{

const int BUFFER_SIZE = 1 << 16;

/**
 * Makes the calling thread use a UTF-8 character set while it lives, so
 * that the decoder turns the archive's UTF-16 names into UTF-8 whatever
 * the process locale is.
 */
class Utf8Locale
{
public:
	Utf8Locale() : m_old(nullptr)
	{
		static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
		if (utf8)
			m_old = uselocale(utf8);
	}

	~Utf8Locale()
	{
		if (m_old)
			uselocale(m_old);
	}

private:
	locale_t m_old;
};

// Stream callbacks of the decoder. They run inside its C code, so no
// exception may leave them: a failure of the stream is kept in the source
// record and thrown again once the decoder has returned.

la_ssize_t readCallback(archive*, void* client, void const** buffer)
{
	auto src = static_cast<ZipFile7Zip::Source*>(client);
	*buffer = src->buffer.data();
	int n = src->read(src->buffer.data(), static_cast<int>(src->buffer.size()));
	return n < 0 ? ARCHIVE_FATAL : n;
}

la_int64_t seekCallback(archive*, void* client, la_int64_t offset, int whence)
{
	// whence is numbered as fseek's origins
	auto src = static_cast<ZipFile7Zip::Source*>(client);
	return src->seek(offset, whence) ? src->position : ARCHIVE_FATAL;
}

} // namespace

ZipFile7Zip::ZipFile7Zip() : m_archive(nullptr), m_next(0) {}

ZipFile7Zip::~ZipFile7Zip()
{
	closeArchive();
}

void ZipFile7Zip::closeArchive()
{
	if (m_archive)
	{
		archive_read_free(m_archive);
		m_archive = nullptr;
	}
}

void ZipFile7Zip::rethrow()
{
	if (m_source.error)
		closeArchive();
	m_source.rethrow();
}

int ZipFile7Zip::restart()
{
	closeArchive();
	m_next = 0;
	m_source.position = 0;
	m_archive = archive_read_new();
	if (!m_archive)
		return ARCHIVE_FATAL;
	archive_read_support_format_7zip(m_archive);
	archive_read_set_read_callback(m_archive, readCallback);
	archive_read_set_seek_callback(m_archive, seekCallback);
	archive_read_set_callback_data(m_archive, &m_source);
	int err;
	try
	{
		if (!m_source.stream->seek(0, InputStream::SEEK_BEGIN))
			err = ARCHIVE_FATAL;
		else
			err = archive_read_open1(m_archive);
	}
	catch (...)
	{
		closeArchive();
		throw;
	}
	rethrow();
	if (err != ARCHIVE_OK)
		closeArchive();
	return err;
}

int ZipFile7Zip::open(InputStream& in)
{
	Utf8Locale utf8;
	m_source.stream = &in;
	m_source.size = in.available();
	m_source.buffer.resize(BUFFER_SIZE);
	if (m_source.size < 0)
		return ARCHIVE_FATAL;
	// The decoder allocates what the headers declare before it can tell
	// that the archive is too short for it; those sizes are checked first.
	if (!detail::checkSevenZipBounds(m_source))
	{
		m_source.rethrow();
		return ARCHIVE_FATAL;
	}
	return restart();
}

int ZipFile7Zip::readHeader(std::vector<std::string>& names, std::vector<long long>& sizes)
{
	Utf8Locale utf8;
	if (!m_archive || m_next != 0)
	{
		int err = restart();
		if (err != ARCHIVE_OK)
			return err;
	}
	m_items.clear();
	for (;;)
	{
		archive_entry* entry;
		int err = archive_read_next_header(m_archive, &entry);
		rethrow();
		if (err == ARCHIVE_EOF)
			break;
		if (err < ARCHIVE_WARN)
		{
			closeArchive();
			return err;
		}
		// Folder entries have no content: only files are numbered.
		if (archive_entry_filetype(entry) != AE_IFDIR)
		{
			char const* name = archive_entry_pathname_utf8(entry);
			if (!name)
				name = archive_entry_pathname(entry);
			m_items.push_back(m_next);
			names.push_back(name ? name : "");
			sizes.push_back(archive_entry_size_is_set(entry) ? static_cast<long long>(archive_entry_size(entry)) : -1);
		}
		++m_next;
	}
	return 0;
}

int ZipFile7Zip::skipTo(int item)
{
	if (!m_archive || item < m_next)
	{
		int err = restart();
		if (err != ARCHIVE_OK)
			return err;
	}
	for (;;)
	{
		archive_entry* entry;
		int err = archive_read_next_header(m_archive, &entry);
		rethrow();
		if (err == ARCHIVE_EOF || err < ARCHIVE_WARN)
		{
			closeArchive();
			return err == ARCHIVE_EOF ? ARCHIVE_FATAL : err;
		}
		if (m_next++ == item)
			return 0;
	}
}

int ZipFile7Zip::extract(int index, std::vector<char>& bytes, size_t limit)
{
	Utf8Locale utf8;
	bytes.clear();
	if (index < 0 || index >= static_cast<int>(m_items.size()))
		return ARCHIVE_FATAL;
	int err = skipTo(m_items[static_cast<size_t>(index)]);
	if (err != 0)
		return err;

	std::vector<char> buf(BUFFER_SIZE);
	for (;;)
	{
		la_ssize_t n = archive_read_data(m_archive, buf.data(), buf.size());
		rethrow();
		if (n == 0)
			return 0;
		// Any warning here (a checksum mismatch among them) means bad data.
		// An entry beyond the limits fails as well: a few hundred bytes of
		// some coders decode to gigabytes.
		if (n < 0 || bytes.size() + static_cast<size_t>(n) > static_cast<size_t>(detail::SEVENZIP_MAX_ENTRY))
		{
			closeArchive();
			bytes.clear();
			return n < 0 ? static_cast<int>(n) : ARCHIVE_FATAL;
		}
		if (bytes.size() + static_cast<size_t>(n) > limit)
		{
			closeArchive();
			bytes.clear();
			return ENTRY_TOO_LARGE;
		}
		bytes.insert(bytes.end(), buf.data(), buf.data() + n);
	}
}

} // io
