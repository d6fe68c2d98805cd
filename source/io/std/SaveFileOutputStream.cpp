#include "SaveFileOutputStream.h"
#include "FileOutputStreamImpl.h"
#include "FileUtil.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace io
{

namespace
{

/** Writes "<target>.tmp" and renames it over the target when closed without error. */
class SaveImpl : public FileOutputStream::Impl
{
public:
	explicit SaveImpl(std::string const& path) : Impl(PathName(path).path()), m_tmp(m_path + ".tmp")
	{
		m_file = detail::openFile(m_tmp, "wb", "Failed to open {0} for writing, with errno {1}", m_path);
	}

	~SaveImpl() override
	{
		closeQuietly();
	}

	void close() override
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
			error = lang::Format("Failed to write {0} with errno {1}", m_path, detail::errnoText(errno));
		}
		if (ok && fsync(fileno(f)) != 0)
		{
			ok = false;
			error = lang::Format("Failed to sync {0} with errno {1}", m_path, detail::errnoText(errno));
		}
		if (fclose(f) != 0 && ok)
		{
			ok = false;
			error = lang::Format("Failed to close {0} with errno {1}", m_path, detail::errnoText(errno));
		}
		if (ok && rename(m_tmp.c_str(), m_path.c_str()) != 0)
		{
			ok = false;
			error = lang::Format("Failed to rename {0} with errno {1}", m_path, detail::errnoText(errno));
		}
		if (!ok)
		{
			remove(m_tmp.c_str());
			lang::throwError(IOException(error));
		}
	}

private:
	std::string m_tmp;
};

} // namespace

SaveFileOutputStream::SaveFileOutputStream(std::string const& path) : FileOutputStream(new SaveImpl(path)) {}

} // io
