#include "InfoZip.h"
#include <io/InputStream.h>
#include <algorithm>
#include <climits>
#include <minizip/unzip.h>

namespace io
{

namespace
{

// Stream callbacks of the zip reader. They run inside the reader's C code,
// so no exception may leave them: a failure of the stream is kept in the
// source record and thrown again once the reader has returned.

voidpf ZCALLBACK zipOpen(voidpf opaque, char const*, int)
{
	return opaque;
}

uLong ZCALLBACK zipRead(voidpf opaque, voidpf, void* buf, uLong size)
{
	// The reader treats any short read as the end of the data, but streams
	// may hand out fewer bytes than asked before their end: gather until
	// the count is filled or the stream ends.
	auto src = static_cast<ZipFileInfoZip::Source*>(opaque);
	int want = static_cast<int>(size > INT_MAX ? INT_MAX : size);
	char* p = static_cast<char*>(buf);
	int n = 0;
	while (n < want)
	{
		int got = src->read(p + n, want - n);
		if (got <= 0)
			break;
		n += std::min(got, want - n);
	}
	src->shortRead = src->error || n < want;
	return static_cast<uLong>(n);
}

uLong ZCALLBACK zipWrite(voidpf, voidpf, void const*, uLong)
{
	return 0;
}

long ZCALLBACK zipTell(voidpf opaque, voidpf)
{
	return static_cast<long>(static_cast<ZipFileInfoZip::Source*>(opaque)->position);
}

long ZCALLBACK zipSeek(voidpf opaque, voidpf, uLong offset, int origin)
{
	static_assert(ZLIB_FILEFUNC_SEEK_SET == 0 && ZLIB_FILEFUNC_SEEK_CUR == 1 && ZLIB_FILEFUNC_SEEK_END == 2, "origins as fseek's");
	auto src = static_cast<ZipFileInfoZip::Source*>(opaque);
	return src->seek(static_cast<long>(offset), origin) ? 0 : -1;
}

int ZCALLBACK zipClose(voidpf, voidpf)
{
	return 0;
}

// The reader asks this after a read came back short. Its own end-of-data
// code equals its success code, so a short read must count as an error
// here, or a truncated archive would be parsed from bytes never read.
int ZCALLBACK zipError(voidpf opaque, voidpf)
{
	auto src = static_cast<ZipFileInfoZip::Source*>(opaque);
	return src->error || src->shortRead ? 1 : 0;
}

} // namespace

ZipFileInfoZip::ZipFileInfoZip() : m_handle(nullptr) {}

ZipFileInfoZip::~ZipFileInfoZip()
{
	if (m_handle)
		unzClose(m_handle);
}

void ZipFileInfoZip::rethrow()
{
	m_source.rethrow();
}

int ZipFileInfoZip::open(InputStream& in)
{
	m_source.stream = &in;
	m_source.position = 0;
	m_source.size = in.available();
	if (m_source.size < 0)
		return 1;

	zlib_filefunc_def funcs;
	funcs.zopen_file = zipOpen;
	funcs.zread_file = zipRead;
	funcs.zwrite_file = zipWrite;
	funcs.ztell_file = zipTell;
	funcs.zseek_file = zipSeek;
	funcs.zclose_file = zipClose;
	funcs.zerror_file = zipError;
	funcs.opaque = &m_source;
	m_handle = unzOpen2("stream", &funcs);
	if (m_source.error && m_handle)
	{
		unzClose(m_handle);
		m_handle = nullptr;
	}
	rethrow();
	return m_handle ? 0 : 1;
}

int ZipFileInfoZip::readHeader(std::vector<std::string>& names, std::vector<long long>& sizes)
{
	int err = unzGoToFirstFile(m_handle);
	rethrow();
	std::vector<char> name;
	while (err == UNZ_OK)
	{
		unz_file_info info;
		err = unzGetCurrentFileInfo(m_handle, &info, nullptr, 0, nullptr, 0, nullptr, 0);
		rethrow();
		if (err != UNZ_OK)
			break;
		name.assign(info.size_filename + 1, 0);
		err = unzGetCurrentFileInfo(m_handle, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0, nullptr, 0);
		rethrow();
		if (err != UNZ_OK)
			break;
		std::string text(name.data(), info.size_filename);
		// Folder entries have no content: only files are numbered.
		if (text.empty() || text.back() != '/')
		{
			unz_file_pos pos;
			err = unzGetFilePos(m_handle, &pos);
			if (err != UNZ_OK)
				break;
			m_entries.emplace_back(pos.pos_in_zip_directory, pos.num_of_file);
			names.push_back(text);
			sizes.push_back(static_cast<long long>(info.uncompressed_size));
		}
		err = unzGoToNextFile(m_handle);
		rethrow();
	}
	return err == UNZ_END_OF_LIST_OF_FILE ? 0 : err;
}

int ZipFileInfoZip::extract(int index, std::vector<char>& bytes, size_t limit)
{
	bytes.clear();
	if (index < 0 || index >= static_cast<int>(m_entries.size()))
		return UNZ_PARAMERROR;
	unz_file_pos pos;
	pos.pos_in_zip_directory = m_entries[static_cast<size_t>(index)].first;
	pos.num_of_file = m_entries[static_cast<size_t>(index)].second;
	int err = unzGoToFilePos(m_handle, &pos);
	rethrow();
	if (err != UNZ_OK)
		return err;
	unz_file_info info;
	err = unzGetCurrentFileInfo(m_handle, &info, nullptr, 0, nullptr, 0, nullptr, 0);
	rethrow();
	if (err != UNZ_OK)
		return err;
	if (info.uncompressed_size > static_cast<uLong>(INT_MAX))
		return UNZ_BADZIPFILE;
	err = unzOpenCurrentFile(m_handle);
	rethrow();
	if (err != UNZ_OK)
		return err;

	// The stated size is only trusted up to a limit before the data backs it.
	bytes.reserve(info.uncompressed_size < (1u << 24) ? info.uncompressed_size : (1u << 24));
	char buf[4096];
	int n;
	while ((n = unzReadCurrentFile(m_handle, buf, sizeof(buf))) > 0)
	{
		if (m_source.error)
			break;
		if (bytes.size() + static_cast<size_t>(n) > limit)
		{
			unzCloseCurrentFile(m_handle);
			rethrow();
			bytes.clear();
			return ENTRY_TOO_LARGE;
		}
		bytes.insert(bytes.end(), buf, buf + n);
	}
	int closeErr = unzCloseCurrentFile(m_handle);
	rethrow();
	if (n < 0)
		return n;
	if (closeErr != UNZ_OK)
		return closeErr;
	if (bytes.size() != info.uncompressed_size)
		return UNZ_BADZIPFILE;
	return 0;
}

} // io
