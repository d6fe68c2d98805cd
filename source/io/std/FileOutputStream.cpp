#include "FileOutputStream.h"
#include "FileUtil.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <cerrno>
#include <cstdio>

namespace io
{

class FileOutputStream::Impl : public lang::Object
{
public:
	std::string m_path;
	FILE* m_file;

	explicit Impl(std::string const& path) : m_path(PathName(path).path()), m_file(nullptr)
	{
		m_file = fopen(m_path.c_str(), "wb");
		if (!m_file)
			lang::throwError(IOException(lang::Format("Failed to open {0} for writing with errno {1}", detail::shortPath(m_path), errno)));
	}

	~Impl() override
	{
		try
		{
			close();
		}
		catch (...)
		{
			// already logged when the exception was made; destructors do not throw
		}
	}

	void close()
	{
		if (!m_file)
			return;
		FILE* f = m_file;
		m_file = nullptr;
		if (fclose(f) != 0)
			lang::throwError(IOException(lang::Format("Failed to close {0} with errno {1}", m_path, errno)));
	}
};

FileOutputStream::FileOutputStream(std::string const& path) : OutputStream(lang::Ptr<OutputStream>()), m_impl(new Impl(path)) {}

FileOutputStream::~FileOutputStream() {}

void FileOutputStream::write(void const* data, int size)
{
	if (size == 0)
		return;
	if (size < 0 || !m_impl->m_file || fwrite(data, 1, static_cast<size_t>(size), m_impl->m_file) != static_cast<size_t>(size))
		lang::throwError(IOException(lang::Format("Failed to write {0} bytes to {1}", size, m_impl->m_path)));
}

void FileOutputStream::close()
{
	m_impl->close();
}

std::string FileOutputStream::toString() const
{
	return m_impl->m_path;
}

} // io
