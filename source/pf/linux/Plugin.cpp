#include "Plugin.h"
#include <cstdlib>
#include <dlfcn.h>

namespace pf
{

Plugin::Plugin(char const* fileName) :
	m_fileName(fileName),
	m_handle(nullptr),
	m_tried(false)
{
}

std::string Plugin::path() const
{
	char const* folder = std::getenv("ENGINE_PLUGIN_DIR");
	std::string path = folder && *folder ? folder : ENGINE_PLUGIN_DIR;
	return path + "/" + m_fileName;
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
		m_handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
		if (!m_handle)
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
