#include "ZipFileInputStream.h"
#include "InfoZip.h"
#include "SevenZip.h"
#include <io/IOException.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <cstdint>
#include <string>

namespace io
{

ZipFileInputStream::ZipFileInputStream(InputStream& archive, FileFormat format) : m_archive(archive), m_zip(nullptr)
{
	if (format == ZIPFORMAT_7Z)
		m_zip = new ZipFile7Zip;
	else
		m_zip = new ZipFileInfoZip;
	try
	{
		int err = m_zip->open(archive);
		if (err == 0)
			err = m_zip->readHeader(m_names, m_sizes);
		if (err != 0)
			lang::throwError(lang::Exception(lang::Format("Error opening 7zip file. Error {0}", err)));
	}
	catch (...)
	{
		delete m_zip;
		m_zip = nullptr;
		throw;
	}
}

ZipFileInputStream::~ZipFileInputStream()
{
	delete m_zip;
}

void ZipFileInputStream::checkIndex(int index) const
{
	if (index < 0 || index >= size())
		lang::throwError(lang::Exception(lang::Format("Entry index out of bounds! (index: {0}, size: {1})", index, size())));
}

std::string const& ZipFileInputStream::getEntryName(int index) const
{
	checkIndex(index);
	return m_names[static_cast<size_t>(index)];
}

ZipEntryInputStream* ZipFileInputStream::getEntryStream(int index)
{
	return getEntryStream(index, SIZE_MAX);
}

long long ZipFileInputStream::getEntrySize(int index) const
{
	checkIndex(index);
	return m_sizes[static_cast<size_t>(index)];
}

namespace
{

/** A size limit for messages: "64 MiB" when it is whole mebibytes, else "<n> bytes". */
std::string limitText(size_t limit)
{
	if (limit >= (size_t(1) << 20) && limit % (size_t(1) << 20) == 0)
		return std::to_string(limit >> 20) + " MiB";
	return std::to_string(limit) + " bytes";
}

} // namespace

ZipEntryInputStream* ZipFileInputStream::getEntryStream(int index, size_t limit)
{
	std::string const& name = getEntryName(index);
	long long const declared = getEntrySize(index);
	if (declared >= 0 && static_cast<unsigned long long>(declared) > limit)
		lang::throwError(IOException(lang::Format("Failed to extract {0} from {1}: it unpacks to {2,#} bytes, more than the limit of {3}", name, m_archive.toString(), static_cast<double>(declared), limitText(limit))));
	std::vector<char> bytes;
	int err = m_zip->extract(index, bytes, limit);
	if (err == ZipFile::ENTRY_TOO_LARGE)
		lang::throwError(IOException(lang::Format("Failed to extract {0} from {1}: it unpacks to more than the limit of {2}", name, m_archive.toString(), limitText(limit))));
	if (err != 0)
		lang::throwError(IOException(lang::Format("Failed to extract {0} from {1}. Error {2}", name, m_archive.toString(), err)));
	return new ZipEntryInputStream(name, bytes);
}

} // io
