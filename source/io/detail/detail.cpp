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

std::mutex s_mutex;
bool s_bundleSet = false;
bool s_appdataSet = false;
std::string s_bundle;
std::string s_appdata;
std::string s_appName;

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

/** The application's folder name: the name set, else the executable's file name. */
std::string applicationFolderName()
{
	std::string app = s_appName;
	if (app.empty())
	{
		std::string exe = executablePath();
		app = exe.substr(exe.rfind('/') + 1);
		if (app.empty())
			app = "engine";
	}
	return app;
}

/** $<variable>/<app> when the variable holds an absolute path, else ~/<fallback>/<app>, else ".". */
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
	std::lock_guard<std::mutex> lock(s_mutex);
	s_bundle = path;
	s_bundleSet = !path.empty();
}

void setAppdataPath(std::string const& path)
{
	std::lock_guard<std::mutex> lock(s_mutex);
	s_appdata = path;
	s_appdataSet = !path.empty();
}

void setApplicationName(std::string const& name)
{
	std::lock_guard<std::mutex> lock(s_mutex);
	s_appName = name;
}

std::string bundlePath()
{
	std::lock_guard<std::mutex> lock(s_mutex);
	if (!s_bundleSet)
		return defaultBundlePath();
	return s_bundle;
}

std::string appdataPath()
{
	std::lock_guard<std::mutex> lock(s_mutex);
	if (!s_appdataSet)
		return defaultAppdataPath();
	return s_appdata;
}

std::string cachesPath()
{
	std::lock_guard<std::mutex> lock(s_mutex);
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
