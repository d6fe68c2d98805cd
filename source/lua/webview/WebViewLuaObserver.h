#pragma once

#include <pf/WebViewObserver.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

namespace pf
{
class WebView;
}

namespace lua
{

class LuaState;

class WebViewLuaObserver;

/** The block of a web view's userdata: its observer, null once the view is deleted. */
struct WebViewLuaValue
{
	WebViewLuaObserver* observer;
};

/**
 * One web view of the scripts and the observer of its page: holds the
 * view, its Lua value (a full userdata), the two script callbacks and the
 * table path from which the page may call script functions. Main thread.
 */
class WebViewLuaObserver : public pf::WebViewObserver
{
public:
	/** A page call: name(arg, ...), arguments as text, each marked as a number or a string. */
	struct Call
	{
		std::string name;
		std::vector<std::string> args;
		std::vector<bool> numbers;
	};

	/** Observes view (not null) for the scripts of state; value is the registry reference of its userdata. */
	WebViewLuaObserver(LuaState* state, pf::WebView* view, int value);

	/** Closes the view when still open. */
	~WebViewLuaObserver() override;

	/**
	 * Frees the callbacks and the userdata's reference and destroys the
	 * view; the userdata (a WebViewLuaValue) then names a deleted view.
	 */
	void close();

	bool closed() const { return !m_view; }

	/** Closes the observer and frees it, at once or, while one of its callbacks runs, when that returns. */
	static void release(WebViewLuaObserver* observer);

	pf::WebView* view() const { return m_view; }

	/** Sets the link-clicked callback to the value at index when it is a function, else clears it. */
	void setLinkClickedCallback(int index);

	/** The same for the page-loaded callback. */
	void setPageLoadedCallback(int index);

	/** Sets the dotted table path, from the globals, whose functions the page may call ("" allows none). */
	void setAllowedPath(std::string const& path);

	void onUrlLoadCompleted(bool success, std::string const& title, pf::WebView* view) override;
	int onLinkClicked(std::string const& url, pf::WebView* view) override;
	void callLuaFunction(std::string const& text) override;

	/**
	 * Reads text as name(arg, ...): the name before "(", trimmed; arguments
	 * between "(" and the closing ")", separated by ",", each trimmed: one
	 * in double or single quotes is a string without them, any other a
	 * decimal number. "f()" has none.
	 * @return False without "(", without the closing ")", with an empty
	 *         name, an unmatched quote or an unquoted argument that is not
	 *         a number.
	 */
	static bool parseCall(std::string const& text, Call& call);

	/** Longest link address handed to the script, in bytes. */
	static constexpr size_t MAX_LINK_BYTES = 150;

private:
	LuaState* m_state;
	lang::Ptr<pf::WebView> m_view;
	int m_value;
	int m_onLinkClicked;
	int m_onPageLoaded;
	std::string m_allowedPath;
	/** The allowed path split at ".". */
	std::vector<std::string> m_steps;
	/** The page call being made, kept for its buffers. */
	Call m_call;
	int m_busy;
	bool m_released;

	void setCallback(int& ref, int index);
	/** Pushes the callback ref and the view's value; false when there is no room. */
	bool pushCallback(int ref);

	friend struct WebViewLuaBusy;

	WebViewLuaObserver(WebViewLuaObserver const&) = delete;
	WebViewLuaObserver& operator=(WebViewLuaObserver const&) = delete;
};

} // lua
