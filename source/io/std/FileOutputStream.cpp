#include "FileOutputStreamImpl.h"
#include "FileUtil.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <cerrno>
#include <utility>

namespace io
{

FileOutputStream::Impl::Impl(std::string path) : m_path(std::move(path)), m_file(nullptr), m_failed(false) {}

FileOutputStream::Impl::~Impl()
{
	closeQuietly();
}

void FileOutputStream::Impl::write(void const* data, int size)
{
	if (size == 0)
		return;
	if (size < 0 || !m_file || fwrite(data, 1, static_cast<size_t>(size), m_file) != static_cast<size_t>(size))
	{
		m_failed = true;
		lang::throwError(IOException(lang::Format("Failed to write {0} bytes to {1}", size, m_path)));
	}
}

void FileOutputStream::Impl::close()
{
	if (!m_file)
		return;
	FILE* f = m_file;
	m_file = nullptr;
	if (fclose(f) != 0)
		lang::throwError(IOException(lang::Format("Failed to close {0} with errno {1}", m_path, detail::errnoText(errno))));
}

void FileOutputStream::Impl::closeQuietly()
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

FileOutputStream::FileOutputStream(std::string const& path) : FileOutputStream(new Impl(PathName(path).path()))
{
	m_impl->m_file = detail::openFile(m_impl->m_path, "wb", "Failed to open {0} for writing with errno {1}", detail::shortPath(m_impl->m_path));
}

FileOutputStream::FileOutputStream(Impl* impl) : OutputStream(lang::Ptr<OutputStream>()), m_impl(impl) {}

FileOutputStream::~FileOutputStream() {}

void FileOutputStream::write(void const* data, int size)
{
	m_impl->write(data, size);
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
