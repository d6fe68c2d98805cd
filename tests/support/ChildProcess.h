#pragma once

#include <string>
#include <vector>
#include <sys/types.h>

namespace test
{

/**
 * A program run as a child process, its standard output and error read
 * through one pipe, for tests that signal, close or kill it. A child still
 * running when the object goes is killed (SIGKILL) and reaped.
 */
class ChildProcess
{
public:
	/**
	 * Starts argv[0] with the arguments argv[1...] and the test's
	 * environment plus env ("NAME=value" entries).
	 * @exception std::runtime_error When the child cannot be started.
	 */
	ChildProcess(std::vector<std::string> const& argv, std::vector<std::string> const& env);

	~ChildProcess();

	pid_t pid() const { return m_pid; }

	/** Reads the output until it holds text or seconds pass; true when it holds it. */
	bool waitForOutput(std::string const& text, double seconds);

	/** Sends the signal to the child (nothing once it was reaped). */
	void signal(int number);

	/**
	 * Reads the output until the child ends and reaps it; after seconds it
	 * is killed (SIGKILL) first. Gives the wait status (waitpid), -1 when
	 * the child had to be killed. Later calls give the same.
	 */
	int wait(double seconds);

	/** True while the child has not been reaped and waitpid sees it running. */
	bool running();

	/** What the child wrote so far. */
	std::string const& output() const { return m_output; }

private:
	pid_t m_pid = -1;
	int m_pipe = -1;
	int m_status = -1;
	bool m_reaped = false;
	std::string m_output;

	/** Reads what is there within milliseconds; false at the end of the output. */
	bool readSome(int milliseconds);

	ChildProcess(ChildProcess const&) = delete;
	ChildProcess& operator=(ChildProcess const&) = delete;
};

} // test
