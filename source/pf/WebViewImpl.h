#pragma once

#include <pf/PageEngine.h>
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
 * page ("js-call:<token>:<call>"), and a call without it is refused. A
 * frame of another origin (an embedded third-party page) cannot read the
 * main frame's functions, so it cannot make a call that passes.
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

	bool allowNavigation(std::string const& url, bool linkClicked) override;
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

	/** Whether the call address of kind ("js-call:") carries the token; a line when not. */
	bool fromMainFrame(std::string const& url, char const* kind) const;
	/** Tells the observer of a failed load at the next turn of the main-thread queue. */
	void reportFailureLater();
	std::string title();
};

} // pf
