#pragma once

#include <io/ZipFileInputStream.h>
#include <io/detail/ArchiveSource.h>

namespace io
{

/** Zip back end over the minizip reader. */
class ZipFileInfoZip : public ZipFile
{
public:
	ZipFileInfoZip();

	/** Closes the archive handle. */
	~ZipFileInfoZip() override;

	/** @return 0, or 1 when the stream is not a readable zip archive. */
	int open(InputStream& in) override;

	int readHeader(std::vector<std::string>& names, std::vector<long long>& sizes) override;

	int extract(int index, std::vector<char>& bytes, size_t limit) override;

	/** State shared with the reader's stream callbacks. */
	struct Source : detail::ArchiveSource
	{
		/** The last read gave fewer bytes than asked (the reader asks only for bytes it expects to exist). */
		bool shortRead = false;
	};

private:
	void* m_handle;
	Source m_source;
	/** Directory position of each file entry, in entry order. */
	std::vector<std::pair<unsigned long, unsigned long>> m_entries;

	void rethrow();

	ZipFileInfoZip(ZipFileInfoZip const&) = delete;
	ZipFileInfoZip& operator=(ZipFileInfoZip const&) = delete;
};

} // io
