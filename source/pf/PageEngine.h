#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <functional>
#include <string>

namespace pf
{

/** What a page engine tells its owner (the web view's bridge). Main thread. */
class PageEngineListener
{
public:
	virtual ~PageEngineListener() {}

	/**
	 * Asked before each navigation of the page or its frames, with the
	 * address it goes to. playerClicked only when the player's own click
	 * (or key) on a link of the main frame's document starts it, and it
	 * sends the main frame there or would open a new window: never for a
	 * link a script clicked, one clicked inside a frame, a form, a script's
	 * navigation or a redirect. The engine never opens a new window, whatever
	 * the answer.
	 * @return True to let it proceed, false to refuse it.
	 */
	virtual bool allowNavigation(std::string const& url, bool playerClicked) = 0;

	/**
	 * The engine refused a download the page asked for (at url) before
	 * anything was written: pages never save files. A load that asked for it
	 * fails (pageFailed) when it was the main frame's.
	 */
	virtual void downloadRefused(std::string const& url) = 0;

	/**
	 * A new document of the main frame, at url, is taking the page's place:
	 * what the document before held is void from now on. Comes before
	 * anything of the new document reaches allowNavigation.
	 */
	virtual void pageCommitted(std::string const& url) = 0;

	/** The page's load completed. */
	virtual void pageLoaded() = 0;

	/** The page's load failed; cancelled when a new navigation stopped it. */
	virtual void pageFailed(bool cancelled) = 0;
};

/**
 * The browser under a web view: loads pages, runs their script and shows
 * them in a rectangle over the game's window. The page starts invisible.
 * Reports reach the listener from the page loop (turnPageLoop) or from a
 * nested run of it inside evaluate, never from inside a load call. Main
 * thread only.
 */
class PageEngine : public lang::Object
{
public:
	/** Sets who is told of the page's navigations and loads (borrowed; null: nobody). */
	virtual void setListener(PageEngineListener* listener) = 0;

	/** Starts loading the address. */
	virtual void loadUrl(std::string const& url) = 0;

	/** Starts loading html as a page whose address is baseUrl. */
	virtual void loadHtml(std::string const& html, std::string const& baseUrl) = 0;

	/** Loads the page again. */
	virtual void reload() = 0;

	/**
	 * Runs script in the page and waits for it.
	 * @return Its result as text (a string, number or boolean), or "" for
	 *         any other result, an error or no answer in time.
	 */
	virtual std::string evaluate(std::string const& script) = 0;

	/** Puts the page in front of the other windows. */
	virtual void bringToFront() = 0;

	/**
	 * Changes the page's opacity from where it is to alpha (0 to 1) over
	 * seconds (0: at once); at 0 the page is hidden and takes no input.
	 */
	virtual void fadeTo(float alpha, float seconds) = 0;
};

/** Makes the page engine of a new web view, for a rectangle in points of the game's window. */
typedef std::function<lang::Ptr<PageEngine>(int x, int y, int width, int height)> PageEngineFactory;

/**
 * Replaces the page engine that new web views get (tests stand in a
 * scripted one); null returns to the platform's. Main thread only.
 */
void setPageEngineFactory(PageEngineFactory factory);

/** A page engine from the factory set, else the platform's. Main thread only. */
lang::Ptr<PageEngine> createPageEngine(int x, int y, int width, int height);

/**
 * The platform's page engine: WebKitGTK in a window over the game's
 * window, from a plugin library the program opens on the first call (a
 * program that shows no page never loads the toolkit). Without a display,
 * or when the plugin cannot be opened, its loads fail, each with one line
 * saying why.
 */
lang::Ptr<PageEngine> createPlatformPageEngine(int x, int y, int width, int height);

/**
 * Runs the platform page engine's pending events without waiting (the
 * shell calls it every turn); nothing before an engine has started.
 */
void turnPageLoop();

/**
 * The data root resolved (symbolic links followed), the only folder whose
 * files pages may reach; "" when it cannot be resolved (then they reach
 * none). Main thread only.
 */
std::string pageDataRoot();

/** Where the game's window lies on the screen. */
struct PageWindowPlace
{
	/** Top-left corner of the window's drawing area on the screen, in points. */
	int x = 0;
	int y = 0;
	/** Pixels per point of the window (1 headless). */
	float pixelRatio = 1.f;
};

/** Installs the question the page engines ask for the game's window (the shell does); null: the defaults. Main thread only. */
void setPageWindowPlace(std::function<PageWindowPlace()> query);

/** The game's window as the question installed answers it; a ratio that is not positive and finite reads as 1. */
PageWindowPlace pageWindowPlace();

} // pf
