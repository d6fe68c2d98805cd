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
	long long base;
	switch (origin)
	{
	case 0: base = 0; break;
	case 1: base = position; break;
	case 2: base = size; break;
	default: return false;
	}
	// The offset comes from archive data and may be anything: compare it
	// with the room on either side of base, so that no sum can overflow.
	if (base < 0 || base > size || offset < -base || offset > size - base)
		return false;
	long long target = base + offset;
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
