#include "SaveFileOutputStream.h"
#include "FileOutputStreamImpl.h"
#include "FileUtil.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace io
{

namespace
{

/**
 * Opens a new temporary file beside path: "<path>.<process id>-<number>.tmp",
 * created only when no file of that name exists (a name a killed process
 * left behind is passed over), so that no two writers, threads or
 * processes, ever share one. Gives the file, and its name in tmp.
 */
FILE* openTemporary(std::string const& path, std::string& tmp)
{
	static std::atomic<unsigned long> s_next(0);
	std::string const stem = path + "." + std::to_string(getpid()) + "-";
	int error = EEXIST;
	for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
	{
		tmp = stem + std::to_string(s_next++) + ".tmp";
		int const fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
		if (fd < 0)
		{
			error = errno;
			continue;
		}
		if (FILE* file = fdopen(fd, "wb"))
			return file;
		error = errno;
		::close(fd);
		::remove(tmp.c_str());
	}
	lang::throwError(IOException(lang::Format("Failed to open {0} for writing, with errno {1}", path, detail::errnoText(error))));
}

/** Writes a temporary file of its own and renames it over the target when closed without error. */
class SaveImpl : public FileOutputStream::Impl
{
public:
	explicit SaveImpl(std::string const& path) : Impl(PathName(path).path())
	{
		m_file = openTemporary(m_path, m_tmp);
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
