#include "ZipFileInputStream.h"
#include "InfoZip.h"
#include "SevenZip.h"
#include <io/IOException.h>
#include <lang/Exception.h>
#include <lang/Format.h>

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
			err = m_zip->readHeader(m_names);
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
	std::string const& name = getEntryName(index);
	std::vector<char> bytes;
	int err = m_zip->extract(index, bytes);
	if (err != 0)
		lang::throwError(IOException(lang::Format("Failed to extract {0} from {1}. Error {2}", name, m_archive.toString(), err)));
	return new ZipEntryInputStream(name, bytes);
}

} // io
