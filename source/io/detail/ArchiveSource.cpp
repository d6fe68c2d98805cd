#include "ArchiveSource.h"
#include <io/InputStream.h>

namespace io
{
namespace detail
{

int ArchiveSource::read(void* buffer, int want)
{
	if (error)
		return -1;
	try
	{
		int n = stream->read(buffer, want);
		if (n >= 0)
			position += n;
		return n;
	}
	catch (...)
	{
		error = std::current_exception();
		return -1;
	}
}

bool ArchiveSource::seek(long long offset, int origin)
{
	if (error)
		return false;
	long long target;
	switch (origin)
	{
	case 0: target = offset; break;
	case 1: target = position + offset; break;
	case 2: target = size + offset; break;
	default: return false;
	}
	if (target < 0 || target > size)
		return false;
	try
	{
		if (!stream->seek(static_cast<int>(target), InputStream::SEEK_BEGIN))
			return false;
	}
	catch (...)
	{
		error = std::current_exception();
		return false;
	}
	position = target;
	return true;
}

void ArchiveSource::rethrow()
{
	if (error)
	{
		std::exception_ptr e = error;
		error = nullptr;
		std::rethrow_exception(e);
	}
}

} // detail
} // io
