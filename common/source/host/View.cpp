#include <host/View.h>
#include <host/Shell.h>

namespace host
{

View::View(Shell* shell) :
	m_shell(shell),
	m_topLeftX(0.f),
	m_topLeftY(0.f),
	m_worldScale(1.f),
	m_physicsSimulationScale(1.f)
{
}

void View::setWorldScale(float scale)
{
	m_worldScale = scale;
	if (m_shell)
		m_shell->setWorldScale(scale);
}

void View::setMaxWorldScale(float scale)
{
	if (m_shell)
		m_shell->setMaxWorldScale(scale);
}

void View::resetMouseWheelScale(float scale)
{
	if (m_shell)
		m_shell->resetWheelScale(scale);
}

} // namespace host
