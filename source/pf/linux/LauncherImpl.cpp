#include "LauncherImpl.h"
#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace pf
{

LauncherImpl::LauncherImpl()
{
}

LauncherImpl::~LauncherImpl()
{
}

bool LauncherImpl::openURL(std::string const& url)
{
	// The URL is one argument of its own: no shell sees it.
	char program[] = "xdg-open";
	std::string argument = url;
	char* argv[] = {program, argument.data(), nullptr};
	pid_t pid = 0;
	if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
		return false;
	int status = 0;
	while (waitpid(pid, &status, 0) < 0)
	{
		if (errno != EINTR)
			return false;
	}
	return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // pf
