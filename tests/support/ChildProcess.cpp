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

ChildProcess::ChildProcess(std::vector<std::string> const& argv, std::vector<std::string> const& env,
	Streams streams)
{
	// The end the test reads (and types on), and the child's end.
	int ours = -1;
	std::string terminal;
	int fds[2] = {-1, -1};
	if (streams == Streams::Terminal)
	{
		ours = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
		if (ours < 0 || grantpt(ours) != 0 || unlockpt(ours) != 0 || !ptsname(ours))
		{
			std::string const error = std::string("pseudo-terminal: ") + std::strerror(errno);
			if (ours >= 0)
				close(ours);
			throw std::runtime_error(error);
		}
		terminal = ptsname(ours);
	}
	else
	{
		if (pipe2(fds, O_CLOEXEC) != 0)
			throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
		ours = fds[0];
	}
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
	short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
	if (streams == Streams::Terminal)
	{
		// The new session's first terminal opened becomes its controlling
		// one (the session is made before the file actions run).
		flags |= POSIX_SPAWN_SETSID;
		posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, terminal.c_str(), O_RDWR, 0);
		posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDOUT_FILENO);
		posix_spawn_file_actions_adddup2(&actions, STDIN_FILENO, STDERR_FILENO);
	}
	else
	{
		posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
		posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
	}
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
	posix_spawnattr_setflags(&attributes, flags);
	int const error = posix_spawn(&m_pid, args[0], &actions, &attributes, args.data(), environment.data());
	posix_spawn_file_actions_destroy(&actions);
	posix_spawnattr_destroy(&attributes);
	if (fds[1] >= 0)
		close(fds[1]);
	if (error != 0)
	{
		close(ours);
		throw std::runtime_error(argv[0] + ": " + std::strerror(error));
	}
	m_pipe = ours;
	m_terminal = streams == Streams::Terminal;
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

void ChildProcess::type(std::string const& text)
{
	size_t done = 0;
	while (m_terminal && m_pipe >= 0 && done < text.size())
	{
		ssize_t const n = write(m_pipe, text.data() + done, text.size() - done);
		if (n < 0 && errno == EINTR)
			continue;
		if (n <= 0)
			break;
		done += static_cast<size_t>(n);
	}
	if (done < text.size())
		throw std::runtime_error(std::string("typing on the child's terminal: ") +
			(m_terminal && m_pipe >= 0 ? std::strerror(errno) : "no terminal"));
}

void ChildProcess::closeOutput()
{
	if (m_pipe < 0)
		return;
	close(m_pipe);
	m_pipe = -1;
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
