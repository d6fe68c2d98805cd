#include <host/HostView.h>
#include <host/HostShell.h>

HostView::HostView(HostShell* shell) :
	m_shell(shell),
	m_topLeftX(0.f),
	m_topLeftY(0.f),
	m_worldScale(1.f),
	m_physicsSimulationScale(1.f)
{
}

void HostView::setWorldScale(float scale)
{
	m_worldScale = scale;
	if (m_shell)
		m_shell->setWorldScale(scale);
}

void HostView::setMaxWorldScale(float scale)
{
	if (m_shell)
		m_shell->setMaxWorldScale(scale);
}

void HostView::resetMouseWheelScale(float scale)
{
	if (m_shell)
		m_shell->resetWheelScale(scale);
}
