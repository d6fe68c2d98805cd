#include "AppController.h"
#include "GLSurface.h"
#include "Host.h"
#include "IOSOSInterface.h"
#include "MyEAGLView.h"
#include "MyEAGLViewController.h"
#include "StopSignals.h"
#include <framework/AppActivationListeners.h>
#include <framework/OSInterface.h>
#include <gr/gl/GLBackends.h>
#include <io/PathName.h>
#include <io/detail/detail.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <lang/Throwable.h>
#include <lua/LuaStop.h>
#include <pf/LocalNotificationsImpl.h>
#include <TallyApplication.h>
#include <pf/MainThread.h>
#include <pf/PageEngine.h>
#include <pf/VideoSlot.h>
#include <algorithm>
#include <cassert>
#include <cstdio>

namespace framework
{

AppController::AppController(Host& host, ConfigureHook configure, InitHook init, ShellOptions const& options) :
	m_host(host), m_configure(configure), m_init(init), m_options(options), m_oldtime(0), m_videoTime(-1), m_app(nullptr),
	m_allowUpdate(false), m_insideUpdate(false), m_launched(false), m_failed(false), m_finished(false),
	m_terminated(false), m_exitStatus(0), m_frames(0)
{
}

AppController::~AppController()
{
	dealloc();
}

bool AppController::didFinishLaunchingWithOptions(std::string const* notification)
{
	if (notification)
		lang::Debug::printf("Received Notification while launching: %s\n", notification->c_str());
	lang::Debug::debug("UIApplication launching with options...\n");
	applicationDidFinishLaunching();
	if (notification && m_app)
		didReceiveLocalNotification(*notification);
	return true;
}

void AppController::applicationDidFinishLaunching()
{
	if (m_launched || m_terminated)
		return;
	m_launched = true;
	try
	{
		launch();
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("%s\n", e.getMessage().format().c_str());
		m_exitStatus = 1;
		dealloc();
	}
	catch (std::exception const& e)
	{
		lang::Debug::printf("%s\n", e.what());
		m_exitStatus = 1;
		dealloc();
	}
}

void AppController::launch()
{
	// 1-3: no frame driver yet; no audio session to deactivate here.
	m_host.stopDisplayLink();
	m_allowUpdate = true;
	m_insideUpdate = false;

	// 4: the screen.
	int boundsWidth = 0, boundsHeight = 0;
	m_host.screenBounds(boundsWidth, boundsHeight);
	float const scale = m_host.screenScale();
	TallyApplication::setScreenBounds(boundsWidth, boundsHeight);

	// 5-7: platform interface, orientation reports (they come as resizes
	// from the host), data folders.
	m_os.reset(new IOSOSInterface(this));
	if (!m_options.saveDir.empty())
		io::detail::setAppdataPath(m_options.saveDir);
	if (!m_options.data.empty())
		io::detail::setBundlePath(m_options.data);

	// 8-11: configuration.
	m_config.width = int(float(boundsWidth) * scale);
	m_config.height = int(float(boundsHeight) * scale);
	m_config.orientation = boundsWidth > boundsHeight ? gr::Context::ORIENTATION_1 : gr::Context::ORIENTATION_0;
	m_configure(m_config, *m_os);
	// The saves' default folder is named after the application, as a
	// player's other games name theirs, not after the executable.
	std::string const folder = folderName(m_config.name);
	if (!folder.empty())
		io::detail::setApplicationName(folder);
	if (!m_config.allowedOrientations.empty() && !isAllowedContextOrientation(m_config.orientation))
		m_config.orientation = m_config.allowedOrientations[0];
	bool const turned = m_config.orientation == gr::Context::ORIENTATION_1 || m_config.orientation == gr::Context::ORIENTATION_3;
	if (m_options.screenGiven)
	{
		// A size asked for on the command line goes over the application's:
		// the view (and every frame) is as wide and as high as asked, so a
		// turned context takes it the other way round.
		int const width = int(float(m_options.screenWidth) * scale);
		int const height = int(float(m_options.screenHeight) * scale);
		m_config.width = turned ? height : width;
		m_config.height = turned ? width : height;
	}
	if (m_config.width < 1 || m_config.height < 1)
		lang::throwError(lang::Exception(lang::Format("Invalid screen size {0} x {1}", m_config.width, m_config.height)));
	TallyApplication::setStatusBarOrientation(deviceOrientation(m_config.orientation));

	// 12-13: the window comes with the view, which takes the context's size.
	int const viewWidth = int(float(turned ? m_config.height : m_config.width) / scale);
	int const viewHeight = int(float(turned ? m_config.width : m_config.height) / scale);
	m_contentView = MyEAGLView::initWithFrameAndParameters(m_host, viewWidth, viewHeight, m_config.colorBits,
		m_config.depthBuffer, m_config.renderers);
	if (!m_contentView)
		lang::throwError(lang::Exception(lang::Format("The GL context could not be made current")));
	m_contentView->setPresentHandler(this);
	gr::setCurrentPresenter(this);
	int const limit = m_contentView->context()->maxSize();
	if (m_config.width > limit || m_config.height > limit)
	{
		lang::Debug::printf("Screen of %d x %d pixels is larger than the GL context can draw (%d a side): %d x %d\n",
			m_config.width, m_config.height, limit, std::min(m_config.width, limit), std::min(m_config.height, limit));
		m_config.width = std::min(m_config.width, limit);
		m_config.height = std::min(m_config.height, limit);
		m_host.resizeWindow(int(float(turned ? m_config.height : m_config.width) / scale),
			int(float(turned ? m_config.width : m_config.height) / scale));
	}

	// 14-16: view controller.
	m_viewController.reset(new MyEAGLViewController(this, m_contentView.get(), m_config.allowedOrientations, scale));

	// 17-18: graphics context.
	auto const orientation = gr::Context::OrientationType(m_config.orientation);
	switch (m_contentView->selectedRenderer())
	{
	case 1:
		m_context = gr::gles2::GL_createContext(m_config.width, m_config.height, orientation, &updateScrFunc);
		break;
	case 0:
		m_context = gr::gles1::GL_createContext(m_config.width, m_config.height, orientation, &updateScrFunc);
		break;
	default:
		assert(!"Unsupported rendered");
	}

	// 19-20: show, then the application.
	m_host.showWindow();
	// Notifications the application schedules count from the shell's clock.
	pf::LocalNotificationsImpl::setNow(static_cast<double>(m_host.nowMicros()) / 1e6);
	m_app = m_init(m_os.get(), m_context);
	assert(m_app != 0);
}

bool AppController::openURL(std::string const& url)
{
	if (!m_app)
	{
		lang::Debug::debug("UIApplication invoked via URL...\n");
		applicationDidFinishLaunching();
	}
	callApp([&](App& app) { app.loadFromUrl(url); });
	return true;
}

void AppController::didReceiveLocalNotification(std::string const& eventName)
{
	if (eventName.empty())
		return;
	callApp([&](App&) { pf::LocalNotificationsImpl::notifyListeners(eventName); });
}

void AppController::applicationDidBecomeActive()
{
	if (m_terminated)
		return;
	m_allowUpdate = true;
	m_oldtime = m_host.nowMicros();
	if (!m_os || !m_os->updateStopped())
		startUpdate();
	for (size_t i = 0; i < AppActivationListeners::s_listeners.size(); ++i)
		AppActivationListeners::s_listeners[i]->activated();
	TallyApplication::didBecomeActive();
}

void AppController::applicationWillResignActive()
{
	if (m_terminated)
		return;
	m_allowUpdate = false;
	if (!m_os || !m_os->updateStopped())
		stopUpdate();
	for (size_t i = 0; i < AppActivationListeners::s_listeners.size(); ++i)
		AppActivationListeners::s_listeners[i]->deactivated();
	TallyApplication::willResignActive();
}

void AppController::applicationWillTerminate()
{
	StopSignals::shutdownBegins();
	if (m_terminated)
		return;
	m_allowUpdate = false;
	if (!m_os || !m_os->updateStopped())
		stopUpdate();
	m_config = App::Configuration();
	dealloc();
	TallyApplication::willTerminate();
}

void AppController::dealloc()
{
	if (m_app && !m_failed && m_app->quitRequested())
		m_exitStatus = m_app->exitCode();
	m_finished = true;
	m_terminated = true;
	m_host.stopDisplayLink();
	if (m_app)
	{
		m_app = nullptr;
		try
		{
			App::deleteApp();
		}
		catch (...)
		{
			// Destructors do not throw; this keeps a faulty one from
			// skipping the rest of the teardown.
			lang::Debug::printf("Unknown exception from game!\n");
			m_exitStatus = 1;
		}
	}
	if (m_context)
	{
		assert(1 == m_context->references());
		try
		{
			if (m_contentView)
				m_contentView->makeCurrent();
		}
		catch (lang::Throwable const& e)
		{
			lang::Debug::printf("%s\n", e.getMessage().format().c_str());
		}
		m_context = nullptr;
	}
	m_viewController.reset();
	m_os.reset();
	if (gr::currentPresenter() == this)
		gr::setCurrentPresenter(nullptr);
	m_contentView.reset();
}

void AppController::windowResized(int width, int height)
{
	if (width < 1 || height < 1 || !m_contentView || m_terminated)
		return;
	try
	{
		handleResize(width, height);
	}
	catch (lang::Throwable const& e)
	{
		fail(e);
	}
	catch (...)
	{
		fail("Unknown exception from game!\n");
	}
}

void AppController::handleResize(int width, int height)
{
	m_contentView->layoutSubviews();
	if (!m_context)
		return;
	int const shape = width > height ? gr::Context::ORIENTATION_1 : gr::Context::ORIENTATION_0;
	int const device = deviceOrientation(shape);
	if (isAllowedDeviceOrientation(device) && shape != int(m_context->orientation()))
	{
		// The screen turned (the host keeps its bounds as the window in
		// portrait order).
		orientationChanged(device);
		return;
	}
	bool const turned = m_context->orientation() == gr::Context::ORIENTATION_1 || m_context->orientation() == gr::Context::ORIENTATION_3;
	float const scale = m_host.screenScale();
	int const w = int(float(width) * scale);
	int const h = int(float(height) * scale);
	if (m_app && !m_failed)
		m_os->setResolution(turned ? h : w, turned ? w : h);
}

void AppController::clampViewSize(int& width, int& height) const
{
	if (!m_contentView || !m_contentView->context())
		return;
	float const scale = m_host.screenScale();
	int const limit = std::max(1, int(float(m_contentView->context()->maxSize()) / scale));
	if (width <= limit && height <= limit)
		return;
	lang::Debug::printf("View of %d x %d points is larger than the GL context can draw (%d a side): %d x %d\n", width,
		height, limit, std::min(width, limit), std::min(height, limit));
	width = std::min(width, limit);
	height = std::min(height, limit);
}

void AppController::orientationChanged(int device)
{
	if (isAllowedDeviceOrientation(device) && m_os && m_app && !m_failed)
	{
		m_os->setOrientation(gr::Context::OrientationType(contextOrientation(device)));
		TallyApplication::setStatusBarOrientation(device);
	}
}

int AppController::supportedInterfaceOrientationsForWindow() const
{
	return 30; // the shell runs as a tablet
}

bool AppController::isAllowedContextOrientation(int orientation) const
{
	std::vector<int> const& allowed = m_config.allowedOrientations;
	return std::find(allowed.begin(), allowed.end(), orientation) != allowed.end();
}

bool AppController::isAllowedDeviceOrientation(int device) const
{
	if (device < 1 || device > 4)
		return false;
	return isAllowedContextOrientation(contextOrientation(device));
}

void AppController::startUpdate()
{
	if (m_viewController)
		m_viewController->resetTouches();
	callApp([](App& app) {
		app.activate(true);
		app.activateAudio(true);
	});
	if (!m_host.hasDisplayLink() && !m_finished)
		m_host.startDisplayLink(frameInterval(m_config.framerate));
}

void AppController::stopUpdate()
{
	if (m_viewController)
		m_viewController->resetTouches();
	m_host.stopDisplayLink();
	callApp([](App& app) {
		app.activate(false);
		app.activateAudio(false);
	});
}

bool AppController::finished() const
{
	return m_finished || (m_app && m_app->quitRequested());
}

int AppController::exitStatus() const
{
	if (m_app && !m_failed && m_app->quitRequested())
		return m_app->exitCode();
	return m_exitStatus;
}

void AppController::update()
{
	if (m_insideUpdate || !m_host.hasDisplayLink() || finished())
		return;
	m_insideUpdate = true;
	int64_t const now = m_host.nowMicros();
	int64_t const elapsed = now - m_oldtime;
	m_oldtime = now;
	// A frame buffer that is not complete takes no frames until a rebuild
	// completes it.
	if (m_context && m_contentView && !m_contentView->framebufferComplete() && screenshotAsked(m_frames + 1))
	{
		fail(lang::Format("Frame {0} cannot be drawn (the back buffer is incomplete): its screenshot is not taken\n",
			m_frames + 1).format());
	}
	else if (m_context && m_context->ready() && m_contentView && m_contentView->framebufferComplete())
	{
		float const dt = frameTime(elapsed);
		m_context->setTime(m_context->time() + dt);
		++m_frames;
		callApp([&](App& app) { app.update(dt, m_context, 3); });
	}
	m_insideUpdate = false;
}

void AppController::turn()
{
	if (finished() || !m_app)
		return;
	callApp([](App&) { pf::runMainThreadQueue(); });
	callApp([](App&) { pf::turnPageLoop(); });
	int64_t const now = m_host.nowMicros();
	for (std::string const& eventName : pf::LocalNotificationsImpl::takeDue(static_cast<double>(now) / 1e6))
		didReceiveLocalNotification(eventName);
	if (!pf::videoScreen())
	{
		m_videoTime = -1;
		return;
	}
	if (finished() || !m_context || !m_context->ready() || !m_contentView || !m_contentView->framebufferComplete())
		return;
	float const dt = m_videoTime < 0 ? 0.f : frameTime(now - m_videoTime);
	m_videoTime = now;
	bool drawn = false;
	callApp([&](App&) { drawn = pf::runVideoSlot(dt, m_context); });
	if (drawn && !finished())
		present();
}

void AppController::present()
{
	if (m_frames > 0 && m_context && !m_terminated)
		capture();
	if (m_contentView)
		m_contentView->present();
}

void AppController::capture()
{
	if (!screenshotAsked(m_frames))
		return;
	char name[32];
	std::snprintf(name, sizeof(name), "frame-%04d.png", m_frames);
	std::string const path = io::PathName(m_options.out, name).path();
	io::detail::makeFolders(m_options.out);
	try
	{
		m_context->capture(path);
		lang::Debug::printf("Wrote %s\n", path.c_str());
	}
	catch (lang::Throwable const& e)
	{
		fail(lang::Format("Screenshot of frame {0} ({1}) failed: {2}\n", m_frames, path, e.getMessage().format()).format());
	}
}

bool AppController::screenshotAsked(int frame) const
{
	std::vector<int> const& shots = m_options.screenshots;
	return std::find(shots.begin(), shots.end(), frame) != shots.end();
}

void AppController::callApp(std::function<void(App&)> const& f)
{
	if (!m_app || m_failed)
		return;
	try
	{
		f(*m_app);
	}
	catch (lang::Throwable const& e)
	{
		fail(e);
	}
	catch (...)
	{
		fail("Unknown exception from game!\n");
	}
}

void AppController::fail(lang::Throwable const& e)
{
	std::string const message = e.getMessage().format();
	if (!lua::LuaStop::requested())
	{
		fail("Exception from game: " + message + "\n");
		return;
	}
	// The scripts were stopped because the run is asked to end: the
	// application gets nothing but its destruction (which saves), and the
	// run ends as a normal one.
	lang::Debug::printf("Stopped the game: %s\n", message.c_str());
	m_failed = true;
	m_finished = true;
	m_host.stopDisplayLink();
}

void AppController::fail(std::string const& line)
{
	lang::Debug::printf("%s", line.c_str());
	m_failed = true;
	m_finished = true;
	m_exitStatus = 1;
	m_host.stopDisplayLink();
}

std::string AppController::folderName(std::string const& name)
{
	std::string folder;
	bool gap = false;
	for (char c : name)
	{
		// Bytes of UTF-8 sequences stay as they are.
		bool const letter = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || static_cast<unsigned char>(c) >= 0x80;
		bool const capital = c >= 'A' && c <= 'Z';
		if (!letter && !capital)
		{
			gap = !folder.empty();
			continue;
		}
		if (gap)
			folder += '-';
		gap = false;
		folder += capital ? char(c - 'A' + 'a') : c;
	}
	return folder;
}

int AppController::deviceOrientation(int contextOrientation)
{
	switch (contextOrientation)
	{
	case 1: return 3;
	case 2: return 2;
	case 3: return 4;
	default: return 1;
	}
}

int AppController::contextOrientation(int deviceOrientation)
{
	switch (deviceOrientation)
	{
	case 1: return 0;
	case 3: return 1;
	case 2: return 2;
	case 4: return 3;
	default: return 0;
	}
}

int AppController::frameInterval(int framerate)
{
	if (framerate < 1)
		return 1;
	int const interval = 60 / framerate;
	return interval < 1 ? 1 : interval;
}

float AppController::frameTime(int64_t elapsedMicros)
{
	float dt = float(elapsedMicros) * 0.000001f;
	if (dt < 0)
		dt = 0;
	if (dt > 0.1f)
		dt = 0.1f;
	return dt;
}

} // framework
