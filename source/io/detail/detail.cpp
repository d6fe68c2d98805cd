#include "detail.h"
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace io
{
namespace detail
{

namespace
{

/** The folders and the application name set, under their lock. */
struct Folders
{
	std::mutex mutex;
	bool bundleSet = false;
	bool appdataSet = false;
	std::string bundle;
	std::string appdata;
	std::string appName;
};

/** Never destroyed: detached threads may still build paths while the process exits. */
Folders& folders()
{
	static Folders* const s_folders = new Folders;
	return *s_folders;
}

/** Path of the running executable, or empty when it cannot be found. */
std::string executablePath()
{
	char buf[4096];
	ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
	if (n <= 0)
		return std::string();
	return std::string(buf, static_cast<size_t>(n));
}

std::string defaultBundlePath()
{
	char const* env = getenv("ENGINE_DATA_PATH");
	if (env && *env)
		return env;
	std::string exe = executablePath();
	size_t slash = exe.rfind('/');
	if (slash == std::string::npos)
		return ".";
	return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

/** The application's folder name: the name set, else the executable's file name. Under the lock. */
std::string applicationFolderName()
{
	std::string app = folders().appName;
	if (app.empty())
	{
		std::string exe = executablePath();
		app = exe.substr(exe.rfind('/') + 1);
		if (app.empty())
			app = "engine";
	}
	return app;
}

/** $<variable>/<app> when the variable holds an absolute path, else ~/<fallback>/<app>, else ".". Under the lock. */
std::string userFolder(char const* variable, char const* fallback)
{
	std::string app = applicationFolderName();
	char const* xdg = getenv(variable);
	if (xdg && *xdg == '/')
		return std::string(xdg) + "/" + app;
	char const* home = getenv("HOME");
	if (home && *home)
		return std::string(home) + "/" + fallback + "/" + app;
	return ".";
}

std::string defaultAppdataPath()
{
	return userFolder("XDG_DATA_HOME", ".local/share");
}

} // namespace

void setBundlePath(std::string const& path)
{
	Folders& s = folders();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.bundle = path;
	s.bundleSet = !path.empty();
}

void setAppdataPath(std::string const& path)
{
	Folders& s = folders();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.appdata = path;
	s.appdataSet = !path.empty();
}

void setApplicationName(std::string const& name)
{
	Folders& s = folders();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.appName = name;
}

std::string bundlePath()
{
	Folders& s = folders();
	std::lock_guard<std::mutex> lock(s.mutex);
	if (!s.bundleSet)
		return defaultBundlePath();
	return s.bundle;
}

std::string appdataPath()
{
	Folders& s = folders();
	std::lock_guard<std::mutex> lock(s.mutex);
	if (!s.appdataSet)
		return defaultAppdataPath();
	return s.appdata;
}

std::string cachesPath()
{
	std::lock_guard<std::mutex> lock(folders().mutex);
	return userFolder("XDG_CACHE_HOME", ".cache");
}

bool makeFolders(std::string const& path)
{
	if (path.empty())
		return true;
	struct stat st;
	if (stat(path.c_str(), &st) == 0)
		return S_ISDIR(st.st_mode);
	size_t slash = path.find_last_not_of('/');
	slash = slash == std::string::npos ? std::string::npos : path.rfind('/', slash);
	if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash)))
		return false;
	return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

} // detail
} // io
