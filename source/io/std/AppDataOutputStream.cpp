#include "AppDataOutputStream.h"
#include "FileUtil.h"
#include <io/IOException.h>
#include <io/detail/detail.h>
#include <lang/Debug.h>
#include <lang/Format.h>
#include <mutex>
#include <set>

namespace io
{

namespace
{

/** The process's state of the app-data writes. */
struct State
{
	std::mutex mutex;
	/** Why the writes stopped; empty while they go on. */
	std::string stopped;
	/** True while this process holds the folder's lock (holdsFolder). */
	bool held = false;
	/** The paths whose leftovers were looked for in this run. */
	std::set<std::string> cleaned;
};

State& state()
{
	// Never destroyed: saves may be written by the exit handlers.
	static State* const s_state = new State;
	return *s_state;
}

/** The full path of name in the app-data folder, which is created when missing. */
std::string preparedPath(std::string const& name)
{
	std::string const stopped = AppDataOutputStream::writesStopped();
	if (!stopped.empty())
		lang::throwError(IOException(lang::Format("{0} is not written: {1}",
			detail::constructPath(detail::appdataPath(), name), stopped)));
	std::string folder = detail::appdataPath();
	detail::makeFolders(folder);
	return detail::constructPath(folder, name);
}

} // namespace

AppDataOutputStream::AppDataOutputStream(std::string const& name) : SaveFileOutputStream(preparedPath(name)) {}

void AppDataOutputStream::stopWrites(std::string const& why)
{
	{
		std::lock_guard<std::mutex> lock(state().mutex);
		if (!state().stopped.empty())
			return;
		state().stopped = why;
	}
	lang::Debug::printf("%s\n", why.c_str());
}

std::string AppDataOutputStream::writesStopped()
{
	std::lock_guard<std::mutex> lock(state().mutex);
	return state().stopped;
}

void AppDataOutputStream::holdsFolder(bool held)
{
	std::lock_guard<std::mutex> lock(state().mutex);
	state().held = held;
}

void AppDataOutputStream::removeLeftovers(std::string const& path)
{
	bool held;
	{
		std::lock_guard<std::mutex> lock(state().mutex);
		if (!state().stopped.empty() || !state().cleaned.insert(path).second)
			return;
		held = state().held;
	}
	SaveFileOutputStream::removeLeftovers(path, held ? THIS_PROCESS : SHARED);
}

void AppDataOutputStream::resumeWrites()
{
	std::lock_guard<std::mutex> lock(state().mutex);
	state().stopped.clear();
	state().cleaned.clear();
}

} // io
