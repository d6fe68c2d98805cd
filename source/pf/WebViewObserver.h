#pragma once

#include <string>

namespace pf
{

class WebView;

/** Link codes of WebViewObserver::onLinkClicked. */
enum WebViewLinkCode
{
	/** The link is not loaded. */
	WEBVIEW_LINK_DONT_LOAD = 0,
	/** The link loads in the web view. */
	WEBVIEW_LINK_LOAD = 1,
	/** The link opens in the system browser; the page stays. */
	WEBVIEW_LINK_EXTERNAL = 2,
	/**
	 * No one chose (the game set no link callback): the link loads in the
	 * view, but does not give its origin the page bridge.
	 */
	WEBVIEW_LINK_LOAD_UNCHECKED = 3,
};

/** Told of what happens in a web view's page. Main thread. */
class WebViewObserver
{
public:
	virtual ~WebViewObserver() {}

	/**
	 * A load ended: success is true for a completed load and for one
	 * cancelled by a new navigation, false for a failed one; title is the
	 * page's document title.
	 */
	virtual void onUrlLoadCompleted(bool success, std::string const& title, WebView* view) = 0;

	/**
	 * The player clicked a link to url on a page that may call the game's
	 * scripts (never asked for a link a script clicked, one in a frame, a
	 * form or any other navigation: those go on without asking, without
	 * the bridge): answers a WebViewLinkCode (0 keeps
	 * the page, 2 opens the link in the system browser, any other code
	 * loads it in the view; only WEBVIEW_LINK_LOAD lets its page call the
	 * game's scripts).
	 */
	virtual int onLinkClicked(std::string const& url, WebView* view) = 0;

	/** The page asked for a script call: name is the call's text, percent escapes replaced. */
	virtual void callLuaFunction(std::string const& name) = 0;
};

} // pf
