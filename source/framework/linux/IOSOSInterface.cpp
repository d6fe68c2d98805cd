#include "IOSOSInterface.h"
#include "AppController.h"
#include "Host.h"
#include <framework/App.h>

namespace framework
{

IOSOSInterface::IOSOSInterface(AppController* controller) :
	m_controller(controller), m_orientation(0), m_updateStopped(false)
{
}

void IOSOSInterface::loadShaders(std::string const&, bool)
{
}

std::string IOSOSInterface::getDefaultDataPath()
{
	return m_defaultDataPath;
}

void IOSOSInterface::setResolution(int width, int height)
{
	if (width < 1 || height < 1)
		return;
	if (gr::Context* context = m_controller->context())
		context->reset(width, height);
	if (App::initialized())
		App::get().resolutionChanged();
}

void IOSOSInterface::setOrientation(gr::Context::OrientationType orientation)
{
	m_orientation = orientation;
	gr::Context* context = m_controller->context();
	if (!context || context->orientation() == orientation)
		return;
	context->setOrientation(orientation);
	int width = 0, height = 0;
	m_controller->host().screenBounds(width, height);
	float const scale = m_controller->host().screenScale();
	setResolution(int(float(width) * scale), int(float(height) * scale));
	if (App::initialized())
		App::get().orientationChanged();
}

void IOSOSInterface::allowSleep(bool allow)
{
	m_controller->host().allowSleep(allow);
}

bool IOSOSInterface::isSilentProfile()
{
	return false;
}

void IOSOSInterface::startUpdate()
{
	m_updateStopped = false;
	if (m_controller->allowUpdate())
		m_controller->startUpdate();
}

void IOSOSInterface::stopUpdate()
{
	m_updateStopped = true;
	m_controller->stopUpdate();
}

void IOSOSInterface::setFullscreen(bool)
{
}

bool IOSOSInterface::isFullscreen() const
{
	return true;
}

bool IOSOSInterface::captureMouse(bool)
{
	return true;
}

bool IOSOSInterface::isMouseCaptured() const
{
	return false;
}

void IOSOSInterface::setMousePosition(int, int)
{
}

void IOSOSInterface::setCursor(std::string const&)
{
}

} // framework
