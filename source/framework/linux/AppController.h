#pragma once

#include <framework/App.h>
#include <framework/Hooks.h>
#include <framework/linux/ShellOptions.h>
#include <gr/gl/GLPlatform.h>
#include <lang/Ptr.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace lang
{
class Throwable;
}

namespace framework
{

class Host;
class IOSOSInterface;
class MyEAGLView;
class MyEAGLViewController;

/**
 * The platform shell: builds everything in order (platform interface, data
 * folders, configuration, view, view controller, graphics context,
 * application object), runs the frame loop on the host's display link,
 * starts and stops it on activation, follows resizes and orientation
 * requests, forwards opened addresses and local notifications, and tears
 * everything down at termination.
 *
 * Anything thrown out of the application is logged ("Exception from game:
 * %s\n" or "Unknown exception from game!\n"); after that nothing but its
 * destruction reaches it and the run ends with status 1. Thrown while the
 * scripts are asked to stop (lua::LuaStop), it is the stop: logged
 * ("Stopped the game: %s\n"), the application again gets nothing but its
 * destruction, and the run ends as a normal one.
 *
 * Main thread only.
 */
class AppController : public gr::GLPresenter
{
public:
	/** A controller for host (which must outlive it) with the program's hooks. */
	AppController(Host& host, ConfigureHook configure, InitHook init, ShellOptions const& options);

	/** Tears down what still exists (dealloc). */
	~AppController() override;

	/**
	 * The launch as the platform starts it: logs a launching notification
	 * (null: none), runs the launch and then hands the notification's event
	 * name to the local-notification listeners. Answers true.
	 */
	bool didFinishLaunchingWithOptions(std::string const* notification);

	/**
	 * The launch sequence. A failure (a throw from a step or the hooks) is
	 * logged with its message, what exists is torn down and the run ends
	 * with status 1.
	 */
	void applicationDidFinishLaunching();

	/** An opened address: launches first when needed, then loadFromUrl. Answers true. */
	bool openURL(std::string const& url);

	/** A local notification fired: its event name goes to the listeners. */
	void didReceiveLocalNotification(std::string const& eventName);

	void applicationDidBecomeActive();
	void applicationWillResignActive();

	/**
	 * The run's shutdown: lets the scripts run again after a stop
	 * (StopSignals::shutdownBegins), stops the loop, resets the
	 * configuration and tears down (dealloc).
	 */
	void applicationWillTerminate();

	/** Destroys the application, the context, the platform interface and the view. */
	void dealloc();

	/**
	 * The window became width x height points: the view is laid out again;
	 * a new shape that is an allowed, different device orientation turns
	 * the context (bounds: the window in portrait order), else the context
	 * takes the size. Sizes below 1 change nothing.
	 */
	void windowResized(int width, int height);

	/**
	 * Cuts a view size in points to what the GL context can draw: each
	 * side at most its longest side in pixels (GLSurface::maxSize) at the
	 * host's scale; a cut is logged. Nothing before the view exists.
	 */
	void clampViewSize(int& width, int& height) const;

	/** A device orientation (1..4) reported by the platform. */
	void orientationChanged(int deviceOrientation);

	/** Interface orientations supported for the window: 30 on a tablet. */
	int supportedInterfaceOrientationsForWindow() const;

	/** Whether a context orientation is in the allowed list (empty allows none). */
	bool isAllowedContextOrientation(int orientation) const;

	/** False outside 1..4, else whether the mapped orientation is allowed. */
	bool isAllowedDeviceOrientation(int deviceOrientation) const;

	/** Activates the application and starts the display link. */
	void startUpdate();

	/** Stops the display link and deactivates the application. */
	void stopUpdate();

	/**
	 * One frame (the display link's callback). While the back buffer is
	 * incomplete no frame is drawn; when the frame due is one the options
	 * ask a screenshot of, the run ends with status 1, naming the frame.
	 */
	void update();

	/**
	 * The shell's work at every tick, before the frame and whether updates
	 * run or not: runs the main-thread queue (pf::runMainThreadQueue),
	 * hands the local notifications due by the host's clock to the
	 * listeners and, while a video plays, advances and draws it
	 * (pf::runVideoSlot) and presents. Failures end the run as the
	 * application's do (callApp).
	 */
	void turn();

	/**
	 * Captures the frame when asked to, then has the view present it. A
	 * capture that fails ends the run with status 1, naming the frame.
	 */
	void present() override;

	/**
	 * Runs f on the application unless there is none or it failed before;
	 * an exception out of f is logged and ends the run with status 1.
	 */
	void callApp(std::function<void(App&)> const& f);

	/** The platform's device orientation (1..4) for a context orientation. */
	static int deviceOrientation(int contextOrientation);

	/**
	 * The folder name of the application's saves for its display name: ASCII
	 * letters in lower case, digits and the bytes of UTF-8 sequences; each
	 * run of other characters one "-", none at the ends ("Lantern Drift" ->
	 * "lantern-drift"; no "/" nor ".." can stay); "" when nothing is left.
	 */
	static std::string folderName(std::string const& name);

	/** The context orientation for a platform orientation (1..4; others give 0). */
	static int contextOrientation(int deviceOrientation);

	/** Frame interval in display ticks for a frame rate: 60 / rate, at least 1. */
	static int frameInterval(int framerate);

	/** dt of a frame from the elapsed microseconds: 0 when negative, at most 0.1 s. */
	static float frameTime(int64_t elapsedMicros);

	MyEAGLViewController* getViewController() const { return m_viewController.get(); }
	MyEAGLView* view() const { return m_contentView.get(); }
	gr::Context* context() const { return m_context; }
	App* app() const { return m_app; }
	IOSOSInterface* os() const { return m_os.get(); }
	Host& host() const { return m_host; }
	App::Configuration const& config() const { return m_config; }
	bool allowUpdate() const { return m_allowUpdate; }

	/** True once the run should end (quit, an exception, a failed launch, termination). */
	bool finished() const;

	/** True after applicationWillTerminate or a failed launch tore everything down. */
	bool terminated() const { return m_terminated; }

	/** The exit status: the quit code, 1 after a failure, else 0. */
	int exitStatus() const;

	/** Frames run so far (the application's update calls). */
	int frameCount() const { return m_frames; }

private:
	Host& m_host;
	ConfigureHook m_configure;
	InitHook m_init;
	ShellOptions m_options;

	std::unique_ptr<MyEAGLView> m_contentView;
	std::unique_ptr<MyEAGLViewController> m_viewController;
	lang::Ptr<gr::Context> m_context;
	int64_t m_oldtime;
	int64_t m_videoTime;
	App* m_app;
	std::unique_ptr<IOSOSInterface> m_os;
	App::Configuration m_config;
	bool m_allowUpdate;
	bool m_insideUpdate;

	bool m_launched;
	bool m_failed;
	bool m_finished;
	bool m_terminated;
	int m_exitStatus;
	int m_frames;

	void launch();
	void fail(std::string const& line);
	void fail(lang::Throwable const& e);
	void handleResize(int width, int height);
	void capture();
	/** True when the options ask a screenshot of frame (numbered from 1). */
	bool screenshotAsked(int frame) const;

	AppController(AppController const&) = delete;
	AppController& operator=(AppController const&) = delete;
};

} // framework
