#include "SaveFileOutputStream.h"
#include "FileOutputStreamImpl.h"
#include "FileUtil.h"
#include "RegularFile.h"
#include "SetAside.h"
#include <io/IOException.h>
#include <io/PathName.h>
#include <lang/Debug.h>
#include <lang/Format.h>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <set>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace io
{

namespace
{

/** The temporary files this process's streams are writing now (full paths). */
class InFlight
{
public:
	void add(std::string const& tmp)
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		m_paths.insert(tmp);
	}

	void remove(std::string const& tmp)
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		m_paths.erase(tmp);
	}

	bool has(std::string const& tmp)
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		return m_paths.count(tmp) != 0;
	}

private:
	std::mutex m_mutex;
	std::set<std::string> m_paths;
};

InFlight& inFlight()
{
	// Never destroyed: streams may close during the exit handlers.
	static InFlight* const s_inFlight = new InFlight;
	return *s_inFlight;
}

/**
 * The process id in name when it is "<stem>.<pid>-<number>.tmp", the name
 * of a temporary file of a stream saving "<stem>" (nine digits at most
 * each: process ids stay below 2^22); 0 otherwise.
 */
long temporaryOwner(std::string const& name, std::string const& stem)
{
	std::string const suffix = ".tmp";
	if (name.size() <= stem.size() + 1 + suffix.size() || name.compare(0, stem.size(), stem) != 0 || name[stem.size()] != '.' ||
		name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
		return 0;
	std::string const middle = name.substr(stem.size() + 1, name.size() - stem.size() - 1 - suffix.size());
	size_t const dash = middle.find('-');
	auto digits = [](std::string const& text) {
		if (text.empty() || text.size() > 9)
			return false;
		for (char c : text)
			if (!std::isdigit(static_cast<unsigned char>(c)))
				return false;
		return true;
	};
	if (dash == std::string::npos || !digits(middle.substr(0, dash)) || !digits(middle.substr(dash + 1)))
		return 0;
	return std::stol(middle.substr(0, dash));
}

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
		// O_EXCL: never through a link, never into a file that is there.
		int const fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
		if (fd < 0)
		{
			error = errno;
			continue;
		}
		if (FILE* file = fdopen(fd, "wb"))
		{
			inFlight().add(tmp);
			return file;
		}
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
		// What is not a regular file at the target (a FIFO, a folder, a
		// link) is the player's, not a save: it is kept aside, not replaced.
		std::string const kind = ok ? notRegularKind(m_path) : "";
		if (!kind.empty() && setAside(m_path, "it is " + kind + ", not a regular file").empty())
		{
			ok = false;
			error = lang::Format("{0} is {1}, not a regular file, and could not be moved aside: it is not replaced", m_path, kind);
		}
		if (ok && rename(m_tmp.c_str(), m_path.c_str()) != 0)
		{
			ok = false;
			error = lang::Format("Failed to rename {0} with errno {1}", m_path, detail::errnoText(errno));
		}
		if (!ok)
			remove(m_tmp.c_str());
		inFlight().remove(m_tmp);
		if (!ok)
			lang::throwError(IOException(error));
	}

private:
	std::string m_tmp;
};

} // namespace

SaveFileOutputStream::SaveFileOutputStream(std::string const& path) : FileOutputStream(new SaveImpl(path)) {}

int SaveFileOutputStream::removeLeftovers(std::string const& path, Writers writers)
{
	std::string const target = PathName(path).path();
	size_t const slash = target.rfind('/');
	std::string const folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
	std::string const stem = slash == std::string::npos ? target : target.substr(slash + 1);
	int const fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
	if (fd < 0)
		return 0;
	DIR* dir = fdopendir(fd);
	if (!dir)
	{
		::close(fd);
		return 0;
	}
	int removed = 0;
	long const self = static_cast<long>(getpid());
	while (dirent* entry = readdir(dir))
	{
		std::string const name = entry->d_name;
		long const owner = temporaryOwner(name, stem);
		if (owner <= 0)
			continue;
		std::string const tmp = folder + "/" + name;
		// Only what a stream of ours writes: a regular file (a link is not
		// followed, only looked at), not one this process is writing, nor,
		// where other processes write here too, one of a process alive.
		struct stat info;
		if (fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
			continue;
		if (owner == self ? inFlight().has(tmp) : writers == SHARED && (kill(static_cast<pid_t>(owner), 0) == 0 || errno == EPERM))
			continue;
		if (unlinkat(fd, name.c_str(), 0) == 0)
		{
			lang::Debug::printf("Removed %s, left by a run that ended while saving\n", tmp.c_str());
			++removed;
		}
	}
	closedir(dir);
	return removed;
}

} // io
