#include "LauncherImpl.h"
#include <pf/Launcher.h>
#include <lang/Debug.h>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <cstring>
#include <map>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace pf
{

namespace
{

std::mutex s_childMutex;
std::vector<pid_t> s_children;

/** Starts argv[0] (searched on PATH) with stdout to outFd when not -1; -1 on failure (logged). */
pid_t spawn(std::vector<std::string> const& args, int outFd)
{
	std::vector<char*> argv;
	for (std::string const& arg : args)
		argv.push_back(const_cast<char*>(arg.c_str()));
	argv.push_back(nullptr);
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	if (outFd >= 0)
		posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
	pid_t pid = -1;
	int const error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
	posix_spawn_file_actions_destroy(&actions);
	if (error != 0)
	{
		lang::Debug::printf("Could not start %s: %s\n", argv[0], strerror(error));
		return -1;
	}
	return pid;
}

/** Whether xdg-mime names a program for the scheme (runs it and waits). */
bool queryHandler(std::string const& scheme)
{
	int fds[2];
	// Close-on-exec: no other child keeps the pipe open (dup2 makes the copy on stdout inheritable).
	if (pipe2(fds, O_CLOEXEC) != 0)
		return false;
	pid_t pid = spawn({"xdg-mime", "query", "default", "x-scheme-handler/" + scheme}, fds[1]);
	close(fds[1]);
	std::string output;
	char buffer[256];
	ssize_t got;
	while (pid > 0 && ((got = read(fds[0], buffer, sizeof(buffer))) > 0 || (got < 0 && errno == EINTR)))
	{
		if (got > 0)
			output.append(buffer, static_cast<size_t>(got));
	}
	close(fds[0]);
	int status = 0;
	if (pid > 0)
		while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
	if (pid <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
		return false;
	return output.find_first_not_of(" \t\r\n") != std::string::npos;
}

} // namespace

LauncherImpl::LauncherImpl()
{
}

LauncherImpl::~LauncherImpl()
{
}

bool LauncherImpl::openURL(std::string const& url)
{
	reapChildren(false);
	if (!Launcher::hasScheme(url))
	{
		lang::Debug::printf("Not an address: %s\n", url.c_str());
		return false;
	}
	pid_t pid = spawn({"xdg-open", url}, -1);
	if (pid <= 0)
		return false;
	std::lock_guard<std::mutex> lock(s_childMutex);
	s_children.push_back(pid);
	return true;
}

bool LauncherImpl::canOpenProgram(std::string const& url)
{
	if (!Launcher::hasScheme(url))
		return false;
	std::string scheme = url.substr(0, url.find(':'));
	for (char& c : scheme)
		c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
	if (scheme == "http" || scheme == "https" || scheme == "mailto")
		return true;
	auto at = m_schemes.find(scheme);
	if (at != m_schemes.end())
		return at->second;
	bool const can = queryHandler(scheme);
	m_schemes[scheme] = can;
	return can;
}

void LauncherImpl::reapChildren(bool wait)
{
	std::lock_guard<std::mutex> lock(s_childMutex);
	std::erase_if(s_children, [wait](pid_t pid) {
		int status;
		pid_t done;
		while ((done = waitpid(pid, &status, wait ? 0 : WNOHANG)) < 0 && errno == EINTR) {}
		return done != 0;
	});
}

} // pf
