#pragma once

#include <pf/PageEngine.h>
#include <pf/PageLines.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <memory>
#include <string>
#include <vector>

namespace pf
{

class WebView;
class WebViewObserver;

/**
 * The controller of a web view: drives its page engine, injects the page
 * bridge into every loaded page, vets each navigation ("js-call:" and
 * "wv-call:" addresses, followed links) and tells the observer of loads.
 *
 * Only the page's main frame may call through the bridge: its functions,
 * injected into the main frame alone, carry a token made anew for each
 * document ("js-call:<token>:<call>"), and a call without it is refused. A
 * frame of another origin (an embedded third-party page) cannot read the
 * main frame's functions, so it cannot make a call that passes.
 *
 * The bridge belongs to a document the game sent the view to: it is given
 * to a main-frame document only when its origin (scheme, host and port;
 * every local file shares one) is the origin of an address the game loaded
 * (loadUrl, loadLocalUrl) or of a link the game's observer let load
 * (WEBVIEW_LINK_LOAD) since. The observer is asked about a link only when
 * the player clicked it on a document that holds the bridge. Any other document (one a frame, a script, a
 * redirect, a refresh, a form or the history sent the main frame to, a
 * data: or about: one) loads without the bridge, with one line; the token
 * of the document before is void as soon as a new one commits.
 * Main thread only.
 */
class WebViewImpl : public lang::Object, public PageEngineListener
{
public:
	/** The namespace of the page's own calls: "Quennet.Platform.WebView". */
	static char const* const NAMESPACE;

	/** Controls engine (not null) for view, the facade handed to the observer. */
	WebViewImpl(lang::Ptr<PageEngine> const& engine, WebView* view);

	~WebViewImpl() override;

	/** Detaches from the facade and the engine: the observer hears nothing more and the page hides. */
	void close();

	void loadUrl(std::string const& url);
	/** See WebView::loadLocalUrl. */
	void loadLocalUrl(std::string const& path);
	void reload();
	void show();
	void hide();
	void setObserver(WebViewObserver* observer) { m_observer = observer; }
	WebViewObserver* getObserver() const { return m_observer; }
	std::string executeJavaScript(std::string const& script);
	void asyncExecuteJavaScript(std::string const& script);

	/**
	 * Asks the observer's onLinkClicked only for the player's click
	 * (playerClicked) on a document that holds the bridge; every other
	 * navigation goes on without asking and adds no origin.
	 */
	bool allowNavigation(std::string const& url, bool playerClicked) override;
	/** Logs the refused download, once per page (PageLines). */
	void downloadRefused(std::string const& url) override;
	void pageCommitted(std::string const& url) override;
	void pageLoaded() override;
	void pageFailed(bool cancelled) override;

	/**
	 * The script that makes the namespace ns (dotted) with version and one
	 * function per name of functions, each calling
	 * callWebViewFunction('<ns>.<name>').
	 */
	static std::string namespaceCode(std::string const& ns, std::vector<std::string> const& functions, int version);

	/** The two scripts injected into every loaded page, in order, with the page's token. */
	static std::vector<std::string> bridgeScripts(std::string const& token);

	/** script made to run only in a document of origin (as originOf gives it, which location.origin matches). */
	static std::string forOrigin(std::string const& origin, std::string const& script);

	/**
	 * The origin of an address as the bridge compares it: "<scheme>://<host>"
	 * with ":<port>" when not the scheme's default, in lower case; "file://"
	 * for every local file; a blob: address has the origin of the address
	 * inside it. "" for an address without one (data:, about:, javascript:)
	 * and for a host with other characters than letters, digits, ".-_:[]".
	 */
	static std::string originOf(std::string const& url);

	/**
	 * Replaces the percent escapes of text.
	 * @return False for an escape that is not "%" and two hexadecimal
	 *         digits, a zero byte or a result that is not UTF-8.
	 */
	static bool unescape(std::string const& text, std::string& out);

private:
	lang::Ptr<PageEngine> m_engine;
	WebView* m_view;
	WebViewObserver* m_observer;
	/** What a bridge call must carry (see the class): 32 random hexadecimal digits. */
	std::string m_token;
	/** Reset when this controller goes: failures reported later check it. */
	std::shared_ptr<WebViewImpl*> m_self;
	/** The origins whose main-frame documents get the bridge (see the class). */
	std::vector<std::string> m_origins;
	/** Whether the document of the main frame now gets the bridge. */
	bool m_bridged;
	/** The origin of the document of the main frame now. */
	std::string m_origin;
	/** The lines the page can make at will, once per page. */
	PageLines m_lines;

	/** Whether the call address of kind ("js-call:") carries the token; a line when not. */
	bool fromMainFrame(std::string const& url, char const* kind);
	/** Tells the observer of a failed load at the next turn of the main-thread queue. */
	void reportFailureLater();
	std::string title();
};

} // pf
