#pragma once

#include <string>
#include <vector>
#include <sys/types.h>

namespace test
{

/**
 * A program run as a child process, its standard output and error read
 * through one pipe, or through a pseudo-terminal of its own, for tests that
 * signal, close or kill it. A child still running when the object goes is
 * killed (SIGKILL) and reaped.
 */
class ChildProcess
{
public:
	/** How the child's standard streams are connected. */
	enum class Streams
	{
		/** Output and error into one pipe; the test's input. */
		Pipe,
		/**
		 * Input, output and error on a new pseudo-terminal, the controlling
		 * terminal of the child's own new session (as a terminal window
		 * starts a shell).
		 */
		Terminal,
	};

	/**
	 * Starts argv[0] with the arguments argv[1...] and the test's
	 * environment plus env ("NAME=value" entries).
	 * @exception std::runtime_error When the child cannot be started.
	 */
	ChildProcess(std::vector<std::string> const& argv, std::vector<std::string> const& env,
		Streams streams = Streams::Pipe);

	~ChildProcess();

	pid_t pid() const { return m_pid; }

	/** Reads the output until it holds text or seconds pass; true when it holds it. */
	bool waitForOutput(std::string const& text, double seconds);

	/** Sends the signal to the child (nothing once it was reaped). */
	void signal(int number);

	/**
	 * Types text on the child's terminal (Streams::Terminal).
	 * @exception std::runtime_error When the terminal does not take it.
	 */
	void type(std::string const& text);

	/**
	 * Closes the test's end of the child's output: its writes to a pipe
	 * then fail (EPIPE, with SIGPIPE); a terminal is hung up by the kernel,
	 * as when a terminal window is closed. The output read so far stays.
	 */
	void closeOutput();

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
	/** The end the output is read from: the pipe's, or the terminal's other end. */
	int m_pipe = -1;
	bool m_terminal = false;
	int m_status = -1;
	bool m_reaped = false;
	std::string m_output;

	/** Reads what is there within milliseconds; false at the end of the output. */
	bool readSome(int milliseconds);

	ChildProcess(ChildProcess const&) = delete;
	ChildProcess& operator=(ChildProcess const&) = delete;
};

} // test
