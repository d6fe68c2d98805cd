#include "ChildProcess.h"
#include <chrono>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace test
{

namespace
{

using Clock = std::chrono::steady_clock;

Clock::time_point deadline(double seconds)
{
	return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

int millisecondsUntil(Clock::time_point end)
{
	auto const left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
	return left < 0 ? 0 : static_cast<int>(left);
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> const& argv, std::vector<std::string> const& env)
{
	int fds[2];
	if (pipe2(fds, O_CLOEXEC) != 0)
		throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
	std::vector<char*> args;
	for (std::string const& a : argv)
		args.push_back(const_cast<char*>(a.c_str()));
	args.push_back(nullptr);
	std::vector<char*> environment;
	for (char** e = environ; *e; ++e)
		environment.push_back(*e);
	for (std::string const& e : env)
		environment.push_back(const_cast<char*>(e.c_str()));
	environment.push_back(nullptr);

	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
	posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
	// The child starts with the default action of every signal the test
	// process may have changed.
	posix_spawnattr_t attributes;
	posix_spawnattr_init(&attributes);
	sigset_t defaults;
	sigemptyset(&defaults);
	for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
		sigaddset(&defaults, s);
	sigset_t none;
	sigemptyset(&none);
	posix_spawnattr_setsigdefault(&attributes, &defaults);
	posix_spawnattr_setsigmask(&attributes, &none);
	posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
	int const error = posix_spawn(&m_pid, args[0], &actions, &attributes, args.data(), environment.data());
	posix_spawn_file_actions_destroy(&actions);
	posix_spawnattr_destroy(&attributes);
	close(fds[1]);
	if (error != 0)
	{
		close(fds[0]);
		throw std::runtime_error(argv[0] + ": " + std::strerror(error));
	}
	m_pipe = fds[0];
}

ChildProcess::~ChildProcess()
{
	if (!m_reaped)
	{
		kill(m_pid, SIGKILL);
		waitpid(m_pid, nullptr, 0);
	}
	if (m_pipe >= 0)
		close(m_pipe);
}

bool ChildProcess::readSome(int milliseconds)
{
	if (m_pipe < 0)
		return false;
	pollfd p = {m_pipe, POLLIN, 0};
	if (poll(&p, 1, milliseconds) <= 0)
		return true;
	char buf[4096];
	ssize_t const n = read(m_pipe, buf, sizeof(buf));
	if (n > 0)
	{
		m_output.append(buf, static_cast<size_t>(n));
		return true;
	}
	if (n < 0 && errno == EINTR)
		return true;
	close(m_pipe);
	m_pipe = -1;
	return false;
}

bool ChildProcess::waitForOutput(std::string const& text, double seconds)
{
	Clock::time_point const end = deadline(seconds);
	while (m_output.find(text) == std::string::npos)
	{
		int const left = millisecondsUntil(end);
		if (left == 0 || !readSome(left))
			return m_output.find(text) != std::string::npos;
	}
	return true;
}

void ChildProcess::signal(int number)
{
	if (!m_reaped)
		kill(m_pid, number);
}

bool ChildProcess::running()
{
	if (m_reaped)
		return false;
	int status = 0;
	if (waitpid(m_pid, &status, WNOHANG) != m_pid)
		return true;
	m_reaped = true;
	m_status = status;
	return false;
}

int ChildProcess::wait(double seconds)
{
	Clock::time_point const end = deadline(seconds);
	while (readSome(millisecondsUntil(end)) && millisecondsUntil(end) > 0)
	{
	}
	if (m_reaped)
		return m_status;
	int status = 0;
	pid_t done = waitpid(m_pid, &status, WNOHANG);
	while (done == 0 && millisecondsUntil(end) > 0)
	{
		usleep(10000);
		done = waitpid(m_pid, &status, WNOHANG);
	}
	if (done == m_pid)
		m_status = status;
	else
	{
		kill(m_pid, SIGKILL);
		waitpid(m_pid, nullptr, 0);
		m_status = -1;
	}
	m_reaped = true;
	return m_status;
}

} // test
