#include "PagePlugin.h"
#include "Plugin.h"
#include <pf/MainThread.h>
#include <lang/Debug.h>
#include <memory>

namespace pf
{

namespace
{

Plugin& plugin()
{
	static Plugin p(PAGE_PLUGIN);
	return p;
}

/**
 * The page engine of a program that cannot open the page-engine plugin:
 * each load fails at the next turn of the main-thread queue, with one line
 * naming the page and why, as loads do without a display.
 */
class MissingPageEngine : public PageEngine
{
public:
	explicit MissingPageEngine(std::string const& why) :
		m_why(why),
		m_listener(nullptr),
		m_self(std::make_shared<MissingPageEngine*>(this))
	{
	}

	~MissingPageEngine() override { *m_self = nullptr; }

	void setListener(PageEngineListener* listener) override { m_listener = listener; }
	void loadUrl(std::string const& url) override { fail(url); }
	void loadHtml(std::string const&, std::string const& baseUrl) override { fail(baseUrl); }
	void reload() override {}
	std::string evaluate(std::string const&) override { return ""; }
	void bringToFront() override {}
	void fadeTo(float, float) override {}

private:
	std::string m_why;
	PageEngineListener* m_listener;
	/** Reset when the engine goes: failures reported later check it. */
	std::shared_ptr<MissingPageEngine*> m_self;

	void fail(std::string const& what)
	{
		lang::Debug::printf("WebView: cannot load %s: %s\n", what.c_str(), m_why.c_str());
		std::weak_ptr<MissingPageEngine*> self = m_self;
		postToMainThread([self]() {
			std::shared_ptr<MissingPageEngine*> alive = self.lock();
			if (alive && *alive && (*alive)->m_listener)
				(*alive)->m_listener->pageFailed(false);
		});
	}
};

} // namespace

lang::Ptr<PageEngine> createPlatformPageEngine(int x, int y, int width, int height)
{
	auto create = reinterpret_cast<EngCreatePageEngine>(plugin().function("engCreatePageEngine"));
	if (!create)
		return new MissingPageEngine("the page engine cannot be loaded: " + plugin().error());
	lang::Ptr<PageEngine> engine = create(x, y, width, height);
	if (!engine)
		return new MissingPageEngine("the page engine cannot be loaded: " + plugin().path() + " made no page engine");
	return engine;
}

void turnPageLoop()
{
	// Nothing to turn before a page engine was made; the shell asks every
	// turn, so the function is looked up once.
	static EngTurnPageLoop turn = nullptr;
	if (!turn && plugin().isOpen())
		turn = reinterpret_cast<EngTurnPageLoop>(plugin().function("engTurnPageLoop"));
	if (turn)
		turn();
}

} // pf
