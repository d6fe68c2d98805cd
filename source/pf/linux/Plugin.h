#pragma once

#include <mutex>
#include <string>

namespace pf
{

/**
 * A library of the engine that the program opens the first time it needs
 * it, so that what it links (the page engine's toolkit, the video codecs)
 * is loaded only then. It is looked for beside the program: in the folder
 * named by the environment variable ENGINE_PLUGIN_DIR (a relative one
 * taken from the program's folder), else in the program's folder's
 * "plugins". Never in the current folder nor anywhere the build left the
 * plugins: a program copied or installed with its "plugins" folder finds
 * them. Once open it stays open for the life of the process. Thread-safe.
 */
class Plugin
{
public:
	/** The plugin with this file name (e.g. "libeng_pf_linux_webkit.so"); nothing is opened yet. */
	explicit Plugin(char const* fileName);

	/**
	 * The address of the plugin's function name, opening the plugin on the
	 * first call. A plugin that cannot be opened is not tried again.
	 * @return Null when the plugin cannot be opened or lacks the function;
	 *         the reason is then in error().
	 */
	void* function(char const* name);

	/** True once the plugin was opened. */
	bool isOpen() const;

	/** Why the plugin or a function of it could not be had ("" when nothing failed). */
	std::string error() const;

	/** Where the plugin is looked for: the folder and the file name ("" when the program's folder is unknown). */
	std::string path() const;

	/** The folder of the running program's file, resolved ("" when it cannot be read). */
	static std::string programFolder();

private:
	char const* m_fileName;
	mutable std::mutex m_mutex;
	void* m_handle;
	bool m_tried;
	std::string m_error;

	Plugin(Plugin const&) = delete;
	Plugin& operator=(Plugin const&) = delete;
};

} // pf
