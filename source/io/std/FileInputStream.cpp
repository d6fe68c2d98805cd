#include "FileInputStream.h"
#include "FileUtil.h"
#include "RegularFile.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace io
{

class FileInputStream::Impl : public lang::Object
{
public:
	std::string m_path;
	FILE* m_file;

	Impl(std::string const& path, Open open) : m_path(PathName(path).path()), m_file(nullptr)
	{
		if (open == ANY_FILE)
		{
			m_file = detail::openFile(m_path, "rb", "Failed to open {0} with errno {1}", detail::shortPath(m_path));
			return;
		}
		std::string kind;
		int const fd = openRegularFile(m_path, O_RDONLY, 0, kind);
		if (fd < 0 && !kind.empty())
			lang::throwError(IOException(lang::Format("Failed to open {0}: it is {1}, not a regular file", detail::shortPath(m_path), kind)));
		int const error = errno;
		m_file = fd < 0 ? nullptr : fdopen(fd, "rb");
		if (!m_file)
		{
			int const failure = fd < 0 ? error : errno;
			if (fd >= 0)
				::close(fd);
			lang::throwError(IOException(lang::Format("Failed to open {0} with errno {1}", detail::shortPath(m_path), detail::errnoText(failure))));
		}
	}

	~Impl() override
	{
		if (m_file)
			fclose(m_file);
	}

	/** Current position and size of the file, or false when they cannot be told. */
	bool positions(long long& pos, long long& end) const
	{
		pos = ftello(m_file);
		if (pos < 0)
			return false;
		bool ok = fseeko(m_file, 0, SEEK_END) == 0;
		end = ok ? ftello(m_file) : -1;
		if (fseeko(m_file, pos, 0) != 0 || ferror(m_file))
			lang::throwError(IOException(lang::Format("Failed to seek {0}", m_path)));
		return ok && end >= 0;
	}
};

FileInputStream::FileInputStream(std::string const& path) : FileInputStream(path, ANY_FILE) {}

FileInputStream::FileInputStream(std::string const& path, Open open) : InputStream(lang::Ptr<InputStream>()), m_impl(new Impl(path, open)) {}

FileInputStream::~FileInputStream() {}

int FileInputStream::read(void* data, int size)
{
	if (size <= 0)
	{
		if (size < 0)
			lang::throwError(IOException(lang::Format("Failed to read {0} bytes from {1}", size, m_impl->m_path)));
		return 0;
	}
	size_t got = fread(data, 1, static_cast<size_t>(size), m_impl->m_file);
	if (got < static_cast<size_t>(size) && ferror(m_impl->m_file))
		lang::throwError(IOException(lang::Format("Failed to read {0} bytes from {1}", size, m_impl->m_path)));
	return static_cast<int>(got);
}

int FileInputStream::skip(int n)
{
	int left = available();
	if (left >= 0)
		n = std::min(n, left);
	if (n <= 0)
		return 0;
	if (fseeko(m_impl->m_file, n, 1) != 0)
		lang::throwError(IOException(lang::Format("Failed to skip {0} bytes from {1}", n, m_impl->m_path)));
	return n;
}

bool FileInputStream::seek(int offset, SeekMode mode)
{
	long long pos, end;
	if (!m_impl->positions(pos, end))
		return false;
	long long base;
	switch (mode)
	{
	case SEEK_BEGIN: base = 0; break;
	case SEEK_CURRENT: base = pos; break;
	case SEEK_END: base = end; break;
	default: return false;
	}
	long long target = base + offset;
	bool inside = target >= 0 && target <= end;
	if (fseeko(m_impl->m_file, std::clamp(target, 0LL, end), 0) != 0)
		return false;
	return inside;
}

int FileInputStream::available() const
{
	long long pos, end;
	if (!m_impl->positions(pos, end))
		return -1;
	return static_cast<int>(std::clamp(end - pos, 0LL, static_cast<long long>(INT_MAX)));
}

std::string FileInputStream::toString() const
{
	return m_impl->m_path;
}

} // io
