#include "SetAside.h"
#include <lang/Debug.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace io
{

namespace
{

/**
 * Renames from to to unless to exists. Where the file system cannot rename
 * without replacing, an existing target is looked for first.
 * @return 0, or the errno of the failure (EEXIST when to exists).
 */
int renameNoReplace(std::string const& from, std::string const& to)
{
	if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
		return 0;
	if (errno != EINVAL && errno != ENOSYS)
		return errno;
	struct stat info;
	if (lstat(to.c_str(), &info) == 0)
		return EEXIST;
	return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

} // namespace

std::string setAside(std::string const& path, std::string const& why)
{
	int error = EEXIST;
	for (int copy = 1; copy <= MAX_SET_ASIDE_COPIES && error == EEXIST; ++copy)
	{
		std::string const bad = path + (copy == 1 ? ".bad" : ".bad-" + std::to_string(copy));
		error = renameNoReplace(path, bad);
		if (error == 0)
		{
			lang::Debug::printf("Moved the damaged %s to %s: %s\n", path.c_str(), bad.c_str(), why.c_str());
			return bad;
		}
	}
	std::string const reason = error == EEXIST ? "every name up to .bad-" + std::to_string(MAX_SET_ASIDE_COPIES) + " is taken" : std::strerror(error);
	lang::Debug::printf("Could not move the damaged %s aside (%s): %s\n", path.c_str(), reason.c_str(), why.c_str());
	return std::string();
}

} // io
