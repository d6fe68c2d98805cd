#include "StopSignals.h"
#include <io/std/AppDataOutputStream.h>
#include <lua/LuaStop.h>
#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace framework
{

namespace
{

/** The first stop signal's number, 0 before one came. */
std::atomic<int> s_signal{0};
/** True once the grace period after the first stop signal is over. */
std::atomic<bool> s_graceOver{false};
/** True once the run's shutdown began. */
std::atomic<bool> s_shuttingDown{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
	"the signal handlers use them");

int const s_stopSignals[] = {SIGINT, SIGTERM, SIGHUP};

/** Ends the process by signal's default action. */
void endBy(int signal)
{
	std::signal(signal, SIG_DFL);
	std::raise(signal);
}

extern "C" void onStopSignal(int signal)
{
	int expected = 0;
	if (s_signal.compare_exchange_strong(expected, signal))
	{
		alarm(StopSignals::GRACE_SECONDS);
		return;
	}
	// The same request, unless the user asks again after the grace period.
	if (s_graceOver.load() && signal != SIGHUP)
		endBy(signal);
}

extern "C" void onAlarm(int)
{
	int const signal = s_signal.load();
	if (signal == 0)
		return;
	if (!s_graceOver.exchange(true))
	{
		if (s_shuttingDown.load())
			return;
		lua::LuaStop::request();
		// The handler may run on another thread while the shutdown begins:
		// looking again after the request leaves it withdrawn either way.
		if (s_shuttingDown.load())
		{
			lua::LuaStop::withdraw();
			return;
		}
		alarm(StopSignals::STUCK_SECONDS);
		return;
	}
	if (s_shuttingDown.load())
		return;
	ssize_t const written = write(STDERR_FILENO, StopSignals::STUCK_LINE, std::strlen(StopSignals::STUCK_LINE));
	(void)written;
	endBy(signal);
}

} // namespace

char const* const StopSignals::STUCK_LINE =
	"A script did not stop (stuck inside a library call): the process ends without saving\n";

void StopSignals::install()
{
	struct sigaction action = {};
	action.sa_handler = &onStopSignal;
	sigemptyset(&action.sa_mask);
	// Slow system calls (a wait on a pipe, a sleep) go on after the handler.
	action.sa_flags = SA_RESTART;
	for (int signal : s_stopSignals)
		sigaction(signal, &action, nullptr);
	action.sa_handler = &onAlarm;
	sigaction(SIGALRM, &action, nullptr);
	action.sa_handler = SIG_IGN;
	sigaction(SIGPIPE, &action, nullptr);
}

bool StopSignals::requested()
{
	return s_signal.load() != 0;
}

void StopSignals::shutdownBegins()
{
	s_shuttingDown.store(true);
	lua::LuaStop::withdraw();
	// A cut frame left the tables half updated: saving them would write a
	// state the game never had between two frames.
	if (lua::LuaStop::cut())
		io::AppDataOutputStream::stopWrites(
			"A frame was cut at the end of the run: no save is written now; the saves keep their last whole version");
}

} // framework
