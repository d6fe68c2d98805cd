#include "App.h"
#include "OSInterface.h"
#include <algorithm>
#include <cassert>
#include <cstring>

namespace framework
{

App* App::sm_app = nullptr;

App::App(OSInterface* os) :
	m_os(os), m_quit(false), m_exitCode(0)
{
	assert(!sm_app);
	sm_app = this;
	clearKeys();
}

App::~App()
{
	sm_app = nullptr;
}

App& App::get()
{
	assert(sm_app);
	return *sm_app;
}

bool App::initialized()
{
	return sm_app != nullptr;
}

void App::deleteApp()
{
	delete sm_app;
	sm_app = nullptr;
}

char const* App::toString(KeyType key)
{
	if (key < 0 || key >= KEY_COUNT)
		return "";
	return s_keysz[key];
}

void App::setDataPath(std::string const& path)
{
	m_dataPath = io::PathName(path);
}

void App::setKeyDown(KeyType key, bool down)
{
	if (key >= 0 && key < KEY_COUNT)
		m_keys[key] = down ? 1 : 0;
}

bool App::isKeyDown(KeyType key) const
{
	return key >= 0 && key < KEY_COUNT && (m_keys[key] & 1) != 0;
}

void App::quit(int exitCode)
{
	m_quit = true;
	m_exitCode = exitCode;
}

std::string App::path(std::string const& name) const
{
	io::PathName base(m_os ? m_os->getDefaultDataPath() : std::string(), m_dataPath.path());
	return io::PathName(base.path(), name).path();
}

void App::keyDown(KeyType)
{
}

void App::keyUp(KeyType)
{
}

void App::orientationChanged()
{
}

void App::resolutionChanged()
{
}

void App::mouseMove(int, int)
{
}

void App::motion(double, double)
{
}

bool App::setControlsPresent(bool)
{
	return true;
}

void App::mouseWheel(int)
{
}

void App::touchBegan(TouchEvent const& touch)
{
	m_touches.push_back(touch);
}

void App::touchMoved(TouchEvent const& touch)
{
	auto it = std::find_if(m_touches.begin(), m_touches.end(), [&](TouchEvent const& t) { return t.id == touch.id; });
	if (it != m_touches.end())
		*it = touch;
}

void App::touchEnded(TouchEvent const& touch)
{
	std::erase_if(m_touches, [&](TouchEvent const& t) { return t.id == touch.id; });
}

void App::touchCancel()
{
	m_touches.clear();
}

void App::activate(bool)
{
	clearKeys();
	touchCancel();
}

void App::loadFromUrl(std::string const&)
{
}

bool App::activateAudio(bool)
{
	return true;
}

bool App::safeToQuit() const
{
	return true;
}

void App::softQuit()
{
}

void App::setMouseAvailable(bool)
{
}

void App::clearKeys()
{
	std::memset(m_keys, 0, sizeof(m_keys));
}

} // framework
