#include "MyEAGLViewController.h"
#include "AppController.h"
#include <algorithm>

namespace framework
{

namespace
{

// A key goes down (keyDown, then the flag) only when it is up, and up only
// when it is down.
void pressKey(App& app, App::KeyType key)
{
	if (!app.isKeyDown(key))
	{
		app.keyDown(key);
		app.setKeyDown(key, true);
	}
}

void releaseKey(App& app, App::KeyType key)
{
	if (app.isKeyDown(key))
	{
		app.keyUp(key);
		app.setKeyDown(key, false);
	}
}

} // namespace

MyEAGLViewController::MyEAGLViewController(AppController* controller, MyEAGLView* view,
	std::vector<int> const& allowedOrientations, float contentScale) :
	m_controller(controller), m_view(view), m_contentScaleFactorSupported(true), m_contentScale(contentScale),
	m_allowedOrientations(allowedOrientations), m_hasSingleTouch(false), m_singleTouch(0)
{
}

void MyEAGLViewController::resetTouches()
{
	m_hasSingleTouch = false;
	m_singleTouch = 0;
}

int MyEAGLViewController::supportedInterfaceOrientations() const
{
	return 24;
}

bool MyEAGLViewController::shouldAutorotateToInterfaceOrientation(int o) const
{
	if (m_allowedOrientations.empty())
		return o == 3 || o == 4;
	int const mapped = AppController::contextOrientation(o);
	return std::find(m_allowedOrientations.begin(), m_allowedOrientations.end(), mapped) != m_allowedOrientations.end();
}

TouchEvent MyEAGLViewController::toEvent(Touch const& t) const
{
	float const scale = m_contentScaleFactorSupported ? m_contentScale : 1.0f;
	// Truncation toward zero; positions far outside the int range clamp.
	auto pixels = [scale](float v) {
		float const p = v * scale;
		if (!(p > -2147483520.0f))
			return INT32_MIN;
		if (!(p < 2147483520.0f))
			return INT32_MAX;
		return int32_t(p);
	};
	return TouchEvent{t.id, pixels(t.x), pixels(t.y)};
}

void MyEAGLViewController::touchesBegan(std::vector<Touch> const& touches)
{
	for (Touch const& t : touches)
	{
		TouchEvent const e = toEvent(t);
		m_controller->callApp([&](App& app) {
			app.touchBegan(e);
			if (!m_hasSingleTouch)
			{
				m_hasSingleTouch = true;
				m_singleTouch = e.id;
				app.mouseMove(e.x, e.y);
				pressKey(app, App::LBUTTON);
			}
		});
	}
}

void MyEAGLViewController::touchesMoved(std::vector<Touch> const& touches)
{
	for (Touch const& t : touches)
	{
		TouchEvent const e = toEvent(t);
		m_controller->callApp([&](App& app) {
			app.touchMoved(e);
			if (m_hasSingleTouch && m_singleTouch == e.id)
			{
				app.mouseMove(e.x, e.y);
				pressKey(app, App::LBUTTON);
			}
		});
	}
}

void MyEAGLViewController::ended(std::vector<Touch> const& touches)
{
	for (Touch const& t : touches)
	{
		TouchEvent const e = toEvent(t);
		m_controller->callApp([&](App& app) {
			app.touchEnded(e);
			if (m_hasSingleTouch && m_singleTouch == e.id)
			{
				resetTouches();
				app.mouseMove(e.x, e.y);
				releaseKey(app, App::LBUTTON);
			}
		});
	}
}

void MyEAGLViewController::touchesEnded(std::vector<Touch> const& touches)
{
	ended(touches);
}

void MyEAGLViewController::touchesCancelled(std::vector<Touch> const& touches)
{
	ended(touches);
}

void MyEAGLViewController::keyPressed(App::KeyType key)
{
	m_controller->callApp([&](App& app) { pressKey(app, key); });
}

void MyEAGLViewController::keyReleased(App::KeyType key)
{
	m_controller->callApp([&](App& app) { releaseKey(app, key); });
}

void MyEAGLViewController::wheel(int n)
{
	m_controller->callApp([&](App& app) { app.mouseWheel(n); });
}

} // framework
