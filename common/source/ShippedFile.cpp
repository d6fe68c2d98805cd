#include "ShippedFile.h"
#include "FileBytes.h"
#include "TextStream.h"
#include <io/ZipEntryInputStream.h>
#include <io/ZipFileInputStream.h>
#include <io/std/BundleInputStream.h>
#include <lang/Ptr.h>
#include <lang/Throwable.h>

namespace
{

[[noreturn]] void fail(std::string const& name, std::string const& fault)
{
	lang::throwError(lang::Throwable(lang::Format("Failed to read {0}: {1}", name, fault)));
}

} // namespace

std::string ShippedFile::read(std::string const& path)
{
	io::BundleInputStream in(path);
	cipher::Bytes bytes;
	if (!readFileBytes(in, bytes))
		fail(in.toString(), "larger than 64 MiB");
	return unpack(bytes, in.toString());
}

std::string ShippedFile::unpack(cipher::Bytes const& bytes, std::string const& name)
{
	cipher::Bytes archive;
	if (!cipher::decrypt(cipher::getStaticKey(), bytes, archive))
		fail(name, "does not decrypt");
	std::string text;
	bool empty = false;
	try
	{
		TextStream in(archive.data(), archive.size(), name);
		io::ZipFileInputStream zip(in, io::ZipFileInputStream::ZIPFORMAT_7Z);
		if (zip.size() < 1)
			empty = true;
		else
		{
			// The text is bounded as the file is: a small archive may unpack to gigabytes.
			lang::Ptr<io::ZipEntryInputStream> entry = zip.getEntryStream(0, MAX_DATA_FILE_SIZE);
			if (entry->size() > 0)
				text.assign(entry->data(), static_cast<size_t>(entry->size()));
		}
	}
	catch (lang::Throwable const& e)
	{
		fail(name, e.getMessage().format());
	}
	if (empty)
		fail(name, "the archive holds no entry");
	return text;
}
