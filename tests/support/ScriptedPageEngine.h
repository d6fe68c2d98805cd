#pragma once

#include <pf/PageEngine.h>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace test
{

/**
 * A page engine that plays the browser for the web view's tests: records
 * what it is asked to do, answers scripts from a table, and raises the
 * navigations, completions and failures that a test asks for.
 */
class ScriptedPageEngine : public pf::PageEngine
{
public:
	int x, y, width, height;
	pf::PageEngineListener* listener = nullptr;
	/** Every call, as text: "url <u>", "html <base> <html>", "reload", "front", "fade <alpha> <seconds>". */
	std::vector<std::string> calls;
	/** Every script evaluated, in order. */
	std::vector<std::string> scripts;
	/** Answers by script text; others answer "". */
	std::map<std::string, std::string> answers;
	/** Cleared when the engine goes (tests keep a pointer to it). */
	bool* alive = nullptr;
	/** The address of the page asked for last (a load's, or a base address). */
	std::string page;

	ScriptedPageEngine(int x_, int y_, int w_, int h_) : x(x_), y(y_), width(w_), height(h_) {}

	~ScriptedPageEngine() override
	{
		if (alive)
			*alive = false;
	}

	void setListener(pf::PageEngineListener* l) override { listener = l; }
	void loadUrl(std::string const& url) override
	{
		calls.push_back("url " + url);
		page = url;
	}

	void loadHtml(std::string const& html, std::string const& baseUrl) override
	{
		calls.push_back("html " + baseUrl + " " + html);
		page = baseUrl;
	}
	void reload() override { calls.push_back("reload"); }

	std::string evaluate(std::string const& script) override
	{
		scripts.push_back(script);
		auto it = answers.find(script);
		return it == answers.end() ? std::string() : it->second;
	}

	void bringToFront() override { calls.push_back("front"); }

	void fadeTo(float alpha, float seconds) override
	{
		calls.push_back("fade " + std::to_string(alpha).substr(0, 3) + " " + std::to_string(seconds).substr(0, 3));
	}

	/** A navigation to url (the player's click on a link of the main frame: playerClicked); true when the listener lets it proceed (as a browser without one would). */
	bool navigate(std::string const& url, bool playerClicked = false)
	{
		lang::Ptr<ScriptedPageEngine> keep(this);
		return listener ? listener->allowNavigation(url, playerClicked) : true;
	}

	/** The engine refused a download of url. */
	void refuseDownload(std::string const& url)
	{
		lang::Ptr<ScriptedPageEngine> keep(this);
		if (listener)
			listener->downloadRefused(url);
	}

	/** The token of the page bridge evaluated last ("" before a page loaded). */
	std::string bridgeToken() const
	{
		std::string const mark = "'js-call:";
		for (auto it = scripts.rbegin(); it != scripts.rend(); ++it)
		{
			size_t const at = it->find(mark);
			if (at != std::string::npos)
				return it->substr(at + mark.size(), it->find(':', at + mark.size()) - at - mark.size());
		}
		return "";
	}

	/**
	 * A call through the bridge of the page's main frame: call is
	 * "js-call:<text>" or "wv-call:<text>", navigated to with the bridge's
	 * token put in after the colon.
	 */
	bool bridgeCall(std::string const& call)
	{
		size_t const colon = call.find(':');
		return navigate(call.substr(0, colon + 1) + bridgeToken() + ":" + call.substr(colon + 1));
	}

	/** A new document at url takes the main frame (the page asked for last by default). */
	void commit(std::string const& url)
	{
		lang::Ptr<ScriptedPageEngine> keep(this);
		if (listener)
			listener->pageCommitted(url);
	}

	/** The load of a document at url (the page asked for last by default) commits and completes. */
	void finishLoad(std::string const* url = nullptr)
	{
		lang::Ptr<ScriptedPageEngine> keep(this);
		commit(url ? *url : page);
		if (listener)
			listener->pageLoaded();
	}

	void failLoad(bool cancelled)
	{
		lang::Ptr<ScriptedPageEngine> keep(this);
		if (listener)
			listener->pageFailed(cancelled);
	}
};

/** Installs a factory of scripted engines for its lifetime; the engines made are listed (borrowed). */
class ScriptedPageEngines
{
public:
	std::vector<ScriptedPageEngine*> made;

	ScriptedPageEngines()
	{
		pf::setPageEngineFactory([this](int x, int y, int w, int h) {
			ScriptedPageEngine* engine = new ScriptedPageEngine(x, y, w, h);
			made.push_back(engine);
			return lang::Ptr<pf::PageEngine>(engine);
		});
	}

	~ScriptedPageEngines() { pf::setPageEngineFactory(nullptr); }

	ScriptedPageEngine& last() { return *made.back(); }

	ScriptedPageEngines(ScriptedPageEngines const&) = delete;
	ScriptedPageEngines& operator=(ScriptedPageEngines const&) = delete;
};

} // test
