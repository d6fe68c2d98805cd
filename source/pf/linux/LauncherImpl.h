#pragma once

#include <lang/Object.h>
#include <string>

namespace pf
{

/**
 * Opens URLs through the desktop's opener: runs "xdg-open" (found on PATH)
 * with the URL as its one argument and waits for it.
 */
class LauncherImpl : public lang::Object
{
public:
	LauncherImpl();
	~LauncherImpl() override;

	/** True when the opener ran and exited with status 0. */
	bool openURL(std::string const& url);

private:
	LauncherImpl(LauncherImpl const&) = delete;
	LauncherImpl& operator=(LauncherImpl const&) = delete;
};

} // pf
