#include <pf/Launcher.h>
#include <pf/linux/LauncherImpl.h>

namespace pf
{

Launcher::Launcher() : m_impl(new LauncherImpl())
{
}

Launcher::~Launcher()
{
}

bool Launcher::openURL(std::string const& url)
{
	return m_impl->openURL(url);
}

} // pf
