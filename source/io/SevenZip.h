#pragma once

#include <io/ZipFileInputStream.h>
#include <io/detail/ArchiveSource.h>
#include <vector>

struct archive;

namespace io
{

/**
 * 7z back end. Entries are decoded in archive order; extracting an entry
 * at or after the last one extracted continues from there, an earlier one
 * starts the decoder again from the beginning of the archive. An archive
 * whose headers declare more than it can hold is refused at open
 * (detail::checkSevenZipBounds), and an entry larger than
 * detail::SEVENZIP_MAX_ENTRY fails to extract.
 */
class ZipFile7Zip : public ZipFile
{
public:
	ZipFile7Zip();

	/** Closes the decoder. */
	~ZipFile7Zip() override;

	/** @return 0, or the decoder's (negative) error code. */
	int open(InputStream& in) override;

	int readHeader(std::vector<std::string>& names, std::vector<long long>& sizes) override;

	int extract(int index, std::vector<char>& bytes, size_t limit) override;

	/** State shared with the decoder's stream callbacks. */
	struct Source : detail::ArchiveSource
	{
		std::vector<char> buffer;
	};

private:
	Source m_source;
	archive* m_archive;
	/** Entry number (files and folders) of each file entry. */
	std::vector<int> m_items;
	/** Entry number the decoder's next header read returns. */
	int m_next;

	int restart();
	int skipTo(int item);
	void closeArchive();
	void rethrow();

	ZipFile7Zip(ZipFile7Zip const&) = delete;
	ZipFile7Zip& operator=(ZipFile7Zip const&) = delete;
};

} // io
