#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{

class LauncherImpl;

/**
 * Hands URLs to the system, which opens them in the program that takes
 * them (a browser for web addresses). The work is done by the platform's
 * implementation (pf/linux). Main thread.
 */
class Launcher : public lang::Object
{
public:
	Launcher();
	~Launcher() override;

	/**
	 * Asks the system to open the URL.
	 * @return True when the system took it; false when it refused or could
	 *         not be asked.
	 */
	bool openURL(std::string const& url);

private:
	lang::Ptr<LauncherImpl> m_impl;

	Launcher(Launcher const&) = delete;
	Launcher& operator=(Launcher const&) = delete;
};

} // pf
