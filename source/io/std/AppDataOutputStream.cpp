#include "AppDataOutputStream.h"
#include "FileUtil.h"
#include <io/IOException.h>
#include <io/detail/detail.h>
#include <lang/Format.h>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace io
{

class AppDataOutputStream::Impl : public lang::Object
{
public:
	std::string m_path;
	std::string m_tmp;
	FILE* m_file;
	bool m_failed;

	explicit Impl(std::string const& name) : m_file(nullptr), m_failed(false)
	{
		std::string base = detail::appdataPath();
		m_path = detail::constructPath(base, name);
		m_tmp = m_path + ".tmp";
		detail::makeFolders(base);
		m_file = fopen(m_tmp.c_str(), "wb");
		if (!m_file)
			lang::throwError(IOException(lang::Format("Failed to open {0} for writing, with errno {1}", m_path, errno)));
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

	void write(void const* data, int size)
	{
		if (size == 0)
			return;
		if (size < 0 || !m_file || fwrite(data, 1, static_cast<size_t>(size), m_file) != static_cast<size_t>(size))
		{
			m_failed = true;
			lang::throwError(IOException(lang::Format("Failed to write {1} bytes to {0}", m_path, size)));
		}
	}

	void close()
	{
		if (!m_file)
			return;
		FILE* f = m_file;
		m_file = nullptr;

		// Every step must succeed before the new file may replace the old one.
		lang::Format error;
		bool ok = !m_failed;
		if (!ok)
			error = lang::Format("Failed to save {0}: an earlier write failed", m_path);
		if (ok && fflush(f) != 0)
		{
			ok = false;
			error = lang::Format("Failed to write {0} with errno {1}", m_path, errno);
		}
		if (ok && fsync(fileno(f)) != 0)
		{
			ok = false;
			error = lang::Format("Failed to sync {0} with errno {1}", m_path, errno);
		}
		if (fclose(f) != 0 && ok)
		{
			ok = false;
			error = lang::Format("Failed to close {0} with errno {1}", m_path, errno);
		}
		if (ok && rename(m_tmp.c_str(), m_path.c_str()) != 0)
		{
			ok = false;
			error = lang::Format("Failed to rename {0} with errno {1}", m_path, errno);
		}
		if (!ok)
		{
			remove(m_tmp.c_str());
			lang::throwError(IOException(error));
		}
	}
};

AppDataOutputStream::AppDataOutputStream(std::string const& name) : OutputStream(lang::Ptr<OutputStream>()), m_impl(new Impl(name)) {}

AppDataOutputStream::~AppDataOutputStream() {}

void AppDataOutputStream::write(void const* data, int size)
{
	m_impl->write(data, size);
}

void AppDataOutputStream::close()
{
	m_impl->close();
}

std::string AppDataOutputStream::toString() const
{
	return m_impl->m_path;
}

} // io
