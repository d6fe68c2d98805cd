#pragma once

#include <pf/PageEngine.h>
#include <memory>
#include <string>

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitUserContentManager WebKitUserContentManager;

namespace pf
{

/**
 * The page engine over WebKitGTK: an undecorated window that never takes
 * the keyboard focus (so the game keeps running), kept above the game's
 * window at the view's rectangle, holding a WebKit view with a clear
 * background. GTK starts with the first engine, on the X11 back end when
 * there is one; without a display every load fails at the next turn of the
 * main-thread queue with one line saying that web pages need a display.
 * A load whose main resource fails without the load failing (a redirect
 * from the web to a file: address, which the engine refuses) fails too.
 * Every request for a local file, by the page or by a load, is judged in
 * the web process by the guard beside the plugin ("webkit-files/"): a file
 * that does not resolve to one below pageDataRoot() is refused. Without
 * the guard every load fails, with one line saying it is missing.
 *
 * Nothing is left to the engine's defaults where a page could act for the
 * player: no download starts (an attachment, a type the engine cannot show
 * or a link with a download attribute, at the top or in a frame: each is
 * refused before any file exists, and told to the listener); no new window
 * opens; every permission is denied; no file chooser and no print dialog
 * shows; the pages keep no cookies, storage or cache on disk. A link
 * navigation is the player's click only when the player's own click on a
 * link of the main frame's document started it (a watcher in a script
 * world of its own, which the page cannot reach, reports such clicks).
 * Main thread only.
 */
class GtkPageEngine : public PageEngine
{
public:
	/** A page over the rectangle (points of the game's window), invisible. */
	GtkPageEngine(int x, int y, int width, int height);

	/** Closes the window; a pending evaluation answers "" to nobody. */
	~GtkPageEngine() override;

	void setListener(PageEngineListener* listener) override;
	void loadUrl(std::string const& url) override;
	void loadHtml(std::string const& html, std::string const& baseUrl) override;
	void reload() override;

	/** Runs GLib's loop until the answer arrives or 5 s have passed (then ""). */
	std::string evaluate(std::string const& script) override;

	void bringToFront() override;
	void fadeTo(float alpha, float seconds) override;

	/** The page's opacity now (0 hidden, 1 shown). */
	double opacity() const { return m_alpha; }

	/** True when GTK could start (starts it on the first call). */
	static bool hasDisplay();

	/** Runs GLib's pending events and keeps the visible pages over the game's window. */
	static void turn();

private:
	struct Signals;

	int m_x;
	int m_y;
	int m_width;
	int m_height;
	PageEngineListener* m_listener;
	GtkWidget* m_window;
	WebKitWebView* m_view;
	/** The view's scripts of the engine's own (the click watcher). */
	WebKitUserContentManager* m_content = nullptr;
	/** The player's last click on a link in the main frame ("top <url>" or "named <url>"), waiting for its navigation; "" none. */
	std::string m_click;
	/** When m_click came (g_get_monotonic_time). */
	long long m_clickTime;
	bool m_loadFailed;
	/** The load finished (a failed one too). */
	bool m_loadEnded;
	/** The load under way started at an address that is not a file: one. */
	bool m_startedOffFiles;
	/** Counts the loads started, so that a check of an older one stays quiet. */
	unsigned m_load;
	bool m_shown;
	int m_placedX;
	int m_placedY;
	double m_alpha;
	double m_fadeFrom;
	double m_fadeTo;
	long long m_fadeStart;
	long long m_fadeMicros;
	unsigned m_fadeSource;
	/** Reset when the engine goes: failures reported later check it. */
	std::shared_ptr<GtkPageEngine*> m_self;

	void place();
	void setOpacity(double alpha);
	bool stepFade();
	/** Fails a load that cannot start (no display, no guard of local files) at the next turn, with a line naming what. */
	void failWithoutDisplay(std::string const& what);
	/** Tells the listener (or the log, without one) of a download at url that was refused. */
	void refuseDownload(std::string const& url);
	/** Fails the current load, whose main resource at url failed (why) without the load failing. */
	void failUnanswered(std::string const& url, std::string const& why);

	GtkPageEngine(GtkPageEngine const&) = delete;
	GtkPageEngine& operator=(GtkPageEngine const&) = delete;
};

} // pf
