#pragma once

#include <framework/TouchEvent.h>
#include <gr/Context.h>
#include <io/PathName.h>
#include <string>
#include <vector>

namespace framework
{

class OSInterface;

/**
 * The application object: one per process, created by the game's factory
 * (framework::init) once the shell has built the window and the graphics
 * context, driven by the shell (one update per frame, input, activation,
 * opened addresses) and destroyed with deleteApp. It keeps the input state
 * the game polls: which keys are down and which touches are on the screen.
 *
 * Main thread only; nothing is locked.
 */
class App
{
public:
	/** Key codes; s_keysz holds the name of each. Any int is a value (codes outside the table included). */
	enum KeyType : int
	{
		NONE = 0,
		A, B, C, D, E, F, G, H, I, J, K, L, M,
		N, O, P, Q, R, S, T, U, V, W, X, Y, Z,
		PAGEDOWN, // 27
		PAGEUP,
		HOME,
		END,
		INSERT,
		DELETE,
		RETURN,
		SHIFT,
		CONTROL,
		TAB,
		SPACE,
		BACKSPACE,
		PAUSE,
		ESCAPE, // 40
		F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
		LEFT, // 53
		RIGHT,
		UP,
		DOWN,
		LBUTTON, // 57
		MBUTTON,
		RBUTTON,
		KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9, // 60..69
		MULTIPLY, // 70
		ADD,
		SUBTRACT,
		DIVIDE,
		LEFTSOFT,
		RIGHTSOFT,
		MIDDLE,
		ASTERISK,
		HASH,
		CLEAR,
		EDIT, // 80
		SEND,
		VOLUME_UP,
		VOLUME_DOWN,
		KEY_GAMING_A,
		KEY_GAMING_B,
		KEY_BACK,
		KEY_MENU,
		KEY_ALT,
		DASH,
		KEY_ZOOM, // 90
		KEY_COUNT // number of key codes: 91
	};

	/**
	 * Start-up settings: the shell fills the screen size and orientation,
	 * then the game's configure hook the rest, before anything is built.
	 * A plain record; copying copies every field.
	 */
	class Configuration
	{
	public:
		std::string name;
		/** Screen size in pixels (set by the shell before configure). */
		int width = 0;
		int height = 0;
		/** 32 asks for an 8-bit-per-channel RGBA surface, anything else RGB 5-6-5. */
		int colorBits = 16;
		bool fullscreen = true;
		bool vsync = true;
		/** Whether the GL view gets a 16-bit depth buffer. */
		bool depthBuffer = false;
		bool stencilBuffer = false;
		bool antialias = false;
		int multisamples = 0;
		bool resizable = false;
		/** Orientation at start (gr::Context::OrientationType). */
		int orientation = 0;
		/** Orientations the application follows; empty allows none. */
		std::vector<int> allowedOrientations;
		/** Frames per second aimed at. */
		int framerate = 60;
		std::string title;
		std::string icon;
		std::string cursor;
		/** Renderer codes by preference: 0 OpenGL ES 1.1, 1 OpenGL ES 2.0. */
		std::vector<int> renderers;
		bool debug = false;
	};

	/**
	 * Makes this the one instance (asserts "!sm_app" when one exists),
	 * with no key down, no touch, no quit request and an empty data path.
	 * os is not owned and must outlive the object.
	 */
	explicit App(OSInterface* os);

	/** Clears the instance pointer. */
	virtual ~App();

	/** The instance; asserts "sm_app" when there is none. */
	static App& get();

	/** True while an instance exists. */
	static bool initialized();

	/** Destroys the instance, if any, and clears the instance pointer. */
	static void deleteApp();

	/** Name of a key (s_keysz); "" for a code outside 0..90. */
	static char const* toString(KeyType key);

	/** Replaces the data path. */
	void setDataPath(std::string const& path);

	/** Sets one key flag; a code outside 0..90 changes nothing. */
	void setKeyDown(KeyType key, bool down);

	/** Reads one key flag; false for a code outside 0..90. */
	bool isKeyDown(KeyType key) const;

	/** Asks the shell to end the run with exitCode after this frame. */
	void quit(int exitCode);

	/** True once quit was called. */
	bool quitRequested() const { return m_quit; }

	/** The code given to quit (0 before). */
	int exitCode() const { return m_exitCode; }

	/** The touches on the screen, in the order they began. */
	std::vector<TouchEvent> const& touches() const { return m_touches; }

	/** Full path of a data file: default data path, data path and name joined. */
	std::string path(std::string const& name) const;

	/** The platform interface given to the constructor. */
	OSInterface* os() const { return m_os; }

	/**
	 * One frame: dt seconds since the last (0..0.1), the shell's graphics
	 * context; the shell passes 3 as the last argument.
	 */
	virtual void update(float dt, gr::Context* context, int flags) = 0;

	virtual void keyDown(KeyType key);
	virtual void keyUp(KeyType key);
	virtual void orientationChanged();
	virtual void resolutionChanged();
	virtual void mouseMove(int x, int y);
	virtual void motion(double x, double y);
	virtual bool setControlsPresent(bool present);
	virtual void mouseWheel(int delta);

	/** Appends the touch to the list. */
	virtual void touchBegan(TouchEvent const& touch);

	/** Overwrites the first touch of the same identity; nothing when none. */
	virtual void touchMoved(TouchEvent const& touch);

	/** Removes every touch of the same identity, keeping the others' order. */
	virtual void touchEnded(TouchEvent const& touch);

	/** Empties the touch list. */
	virtual void touchCancel();

	/** Releases every key, then calls touchCancel (virtually). */
	virtual void activate(bool active);

	/** An address the application was opened with. */
	virtual void loadFromUrl(std::string const& url);

	virtual bool activateAudio(bool active);
	virtual bool safeToQuit() const;
	virtual void softQuit();
	virtual void setMouseAvailable(bool available);

private:
	static App* sm_app;

	OSInterface* m_os;
	io::PathName m_dataPath;
	unsigned char m_keys[KEY_COUNT];
	bool m_quit;
	int m_exitCode;
	std::vector<TouchEvent> m_touches;

	void clearKeys();

	App(App const&) = delete;
	App& operator=(App const&) = delete;
};

/** Key names by code: exactly 91 entries ("NONE" .. "KEY_ZOOM"). */
extern char const* const s_keysz[App::KEY_COUNT];

} // framework
