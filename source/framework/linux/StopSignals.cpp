#include "StopSignals.h"
#include <lua/LuaStop.h>
#include <atomic>
#include <csignal>

namespace framework
{

namespace
{

/** The first stop signal's number, 0 before one came. */
std::atomic<int> s_signal{0};
/** True once the run's shutdown began. */
std::atomic<bool> s_shuttingDown{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
	"the signal handler uses them");

int const s_stopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onStopSignal(int signal)
{
	int expected = 0;
	if (!s_signal.compare_exchange_strong(expected, signal))
	{
		// A second signal: the process ends now, as the signal says.
		std::signal(signal, SIG_DFL);
		std::raise(signal);
		return;
	}
	if (s_shuttingDown.load())
		return;
	lua::LuaStop::request();
	// The handler may run on another thread while the shutdown begins:
	// looking again after the request leaves it withdrawn either way.
	if (s_shuttingDown.load())
		lua::LuaStop::withdraw();
}

} // namespace

void StopSignals::install()
{
	struct sigaction action = {};
	action.sa_handler = &onStopSignal;
	sigemptyset(&action.sa_mask);
	// Slow system calls (a wait on a pipe, a sleep) go on after the handler.
	action.sa_flags = SA_RESTART;
	for (int signal : s_stopSignals)
		sigaction(signal, &action, nullptr);
}

bool StopSignals::requested()
{
	return s_signal.load() != 0;
}

void StopSignals::shutdownBegins()
{
	s_shuttingDown.store(true);
	lua::LuaStop::withdraw();
}

} // framework
