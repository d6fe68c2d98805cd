#pragma once

#include <lang/Object.h>
#include <map>
#include <string>

namespace pf
{

/**
 * Opens URLs through the desktop's opener: starts "xdg-open" (found on
 * PATH, no shell) with the URL as its one argument and does not wait for
 * it; asks "xdg-mime" which program takes a scheme. Main thread.
 */
class LauncherImpl : public lang::Object
{
public:
	LauncherImpl();
	~LauncherImpl() override;

	/** See pf::Launcher::openURL. */
	bool openURL(std::string const& url);

	/** See pf::Launcher::canOpenProgram. */
	bool canOpenProgram(std::string const& url);

	/** See pf::Launcher::reapChildren. */
	static void reapChildren(bool wait);

private:
	std::map<std::string, bool> m_schemes;

	LauncherImpl(LauncherImpl const&) = delete;
	LauncherImpl& operator=(LauncherImpl const&) = delete;
};

} // pf
