#pragma once

#include <io/ZipEntryInputStream.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <cstddef>
#include <string>
#include <vector>

namespace io
{

class InputStream;

/**
 * Archive back end. Entries are numbered 0, 1, ... over the file entries
 * only (folder entries are left out), the same numbering for names and
 * extraction. Exceptions thrown by the archive stream pass out of every
 * operation unchanged (never through the decoder's own frames).
 */
class ZipFile
{
public:
	virtual ~ZipFile() {}

	/** Opens the archive over in, which must outlive this object. @return 0 on success, else the back end's error code. */
	virtual int open(InputStream& in) = 0;

	/**
	 * Appends the names of the file entries in order, and the sizes their
	 * headers declare they unpack to (-1 where they do not say).
	 * @return 0 on success, else an error code.
	 */
	virtual int readHeader(std::vector<std::string>& names, std::vector<long long>& sizes) = 0;

	/**
	 * Replaces bytes with the whole content of file entry index, stopping
	 * with ENTRY_TOO_LARGE (bytes emptied) as soon as it is more than limit
	 * bytes, whatever its headers declare.
	 * @return 0 on success, else an error code.
	 */
	virtual int extract(int index, std::vector<char>& bytes, size_t limit) = 0;

	/** The result of extract for an entry over its limit; the back ends' own codes are negative. */
	static constexpr int ENTRY_TOO_LARGE = 2;
};

/**
 * Read-only archive (7z or zip) over an input stream: lists the file
 * entries and extracts one whole into memory.
 */
class ZipFileInputStream : public lang::Object
{
public:
	/** Archive format. */
	enum FileFormat
	{
		ZIPFORMAT_7Z = 0,
		/** Any value other than ZIPFORMAT_7Z selects zip. */
		ZIPFORMAT_ZIP = 1,
	};

	/**
	 * Opens the archive and reads its list of entries. The archive stream is
	 * used for the whole life of this object and must outlive it.
	 * @exception lang::Exception "Error opening 7zip file. Error {0}" (for
	 *            both formats) when the archive or its list is unreadable.
	 */
	ZipFileInputStream(InputStream& archive, FileFormat format);

	~ZipFileInputStream() override;

	/** Number of file entries. */
	int size() const { return static_cast<int>(m_names.size()); }

	/**
	 * Name of entry index (UTF-8 for 7z; as stored for zip).
	 * @exception lang::Exception "Entry index out of bounds! (index: {0}, size: {1})".
	 */
	std::string const& getEntryName(int index) const;

	/**
	 * Extracts entry index whole and returns a new memory stream over it,
	 * with no reference held yet: the caller takes it into a lang::Ptr.
	 * @exception lang::Exception "Entry index out of bounds! (index: {0}, size: {1})".
	 * @exception io::IOException "Failed to extract {0} from {1}. Error {2}"
	 *            when the data is corrupt (checksum included).
	 */
	ZipEntryInputStream* getEntryStream(int index);

	/**
	 * The size entry index's headers declare it unpacks to; -1 when they do not say.
	 * @exception lang::Exception "Entry index out of bounds! (index: {0}, size: {1})".
	 */
	long long getEntrySize(int index) const;

	/**
	 * As getEntryStream, refusing an entry that unpacks to more than limit
	 * bytes: by the size its headers declare, before anything is extracted,
	 * and by the bytes themselves while extracting (in case the headers lie).
	 * @exception io::IOException Also "Failed to extract {0} from {1}: it
	 *            unpacks to {2} bytes, more than the limit of {3}" (the
	 *            declared size) or "...: it unpacks to more than the limit
	 *            of {3}" (found while extracting); {3} is in MiB when whole.
	 */
	ZipEntryInputStream* getEntryStream(int index, size_t limit);

private:
	InputStream& m_archive;
	ZipFile* m_zip;
	std::vector<std::string> m_names;
	std::vector<long long> m_sizes;

	void checkIndex(int index) const;

	ZipFileInputStream(ZipFileInputStream const&) = delete;
	ZipFileInputStream& operator=(ZipFileInputStream const&) = delete;
};

} // io
