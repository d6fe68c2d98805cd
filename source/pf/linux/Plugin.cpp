#include "Plugin.h"
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace pf
{

Plugin::Plugin(char const* fileName) :
	m_fileName(fileName),
	m_handle(nullptr),
	m_tried(false)
{
}

std::string Plugin::programFolder()
{
	char exe[4096];
	ssize_t const n = readlink("/proc/self/exe", exe, sizeof exe - 1);
	if (n <= 0 || size_t(n) >= sizeof exe - 1)
		return "";
	std::string const path(exe, size_t(n));
	size_t const slash = path.rfind('/');
	if (slash == std::string::npos || path[0] != '/')
		return "";
	return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Plugin::path() const
{
	std::string const program = programFolder();
	char const* named = std::getenv("ENGINE_PLUGIN_DIR");
	std::string folder = named && *named ? named : "plugins";
	if (folder[0] != '/')
	{
		// Never against the current folder: without the program's own
		// folder a relative one names nothing.
		if (program.empty())
			return "";
		folder = (program == "/" ? "" : program) + "/" + folder;
	}
	return folder + "/" + m_fileName;
}

void* Plugin::function(char const* name)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	if (!m_tried)
	{
		m_tried = true;
		std::string const file = path();
		// Every symbol is bound now, so that a plugin that does not fit
		// the program fails here rather than at its first call.
		m_handle = file.empty() ? nullptr : dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
		if (file.empty())
			m_error = std::string("cannot find ") + m_fileName + ": the program's own folder is unknown";
		else if (!m_handle)
		{
			char const* why = dlerror();
			m_error = why ? why : "cannot open " + file;
		}
	}
	if (!m_handle)
		return nullptr;
	dlerror();
	void* address = dlsym(m_handle, name);
	if (!address)
	{
		char const* why = dlerror();
		m_error = why ? why : std::string(m_fileName) + " has no " + name;
	}
	return address;
}

bool Plugin::isOpen() const
{
	std::lock_guard<std::mutex> lock(m_mutex);
	return m_handle != nullptr;
}

std::string Plugin::error() const
{
	std::lock_guard<std::mutex> lock(m_mutex);
	return m_error;
}

} // pf
