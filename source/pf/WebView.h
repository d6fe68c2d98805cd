#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{

class WebViewImpl;
class WebViewObserver;

/**
 * An embedded web page over the game's view, bridged to the game: the
 * page's script calls game script functions ("js-call:" navigations) and
 * shows or hides its own view ("wv-call:"); the game runs script in the
 * page, learns when a page has loaded and decides where the links the
 * player clicks go (see WebViewObserver). Pages never save files. Main
 * thread only.
 */
class WebView : public lang::Object
{
public:
	/**
	 * A web view over the rectangle, in pixels of the game's window (each
	 * value divided by the window's pixel ratio). It starts invisible.
	 */
	WebView(int x, int y, int width, int height);

	/** Closes the page; its observer hears nothing more. */
	~WebView() override;

	/** Starts loading the address. */
	void loadUrl(std::string const& url);

	/**
	 * Loads the file at path below the data root as an HTML page whose
	 * address is the file's own. A missing or unreadable file, or a path
	 * leaving the data root, is a failed load (logged with the path).
	 */
	void loadLocalUrl(std::string const& path);

	/** Loads the page again. */
	void reload();

	/** Brings the view to the front and fades it in over 0.5 s from where it is. */
	void show();

	/** Makes the view invisible at once. */
	void hide();

	/** Sets the observer (borrowed; null: none). It must outlive the view or be replaced first. */
	void setObserver(WebViewObserver* observer);

	WebViewObserver* getObserver() const;

	/** Runs script in the page; its result as text, or "" when there is none. */
	std::string executeJavaScript(std::string const& script);

	/** Runs script in the page after the current call has returned. */
	void asyncExecuteJavaScript(std::string const& script);

	/** True: pages can be shown (without a display their loads fail). */
	static bool isWebViewSupported();

private:
	lang::Ptr<WebViewImpl> m_impl;

	WebView(WebView const&) = delete;
	WebView& operator=(WebView const&) = delete;
};

} // pf
