// A program that shows a page and decodes a video, each through its
// plugin: the test copies it with its plugins elsewhere and runs it there.
//     plugin-probe DATA-ROOT CLIP
// shows DATA-ROOT/page.html and prints "page: <ok> <title>", decodes the
// first picture of CLIP and prints "video: frame" (or why not).
#include <pf/MainThread.h>
#include <pf/PageEngine.h>
#include <pf/WebView.h>
#include <pf/WebViewObserver.h>
#include <pf/linux/VideoDecoder.h>
#include <pf/linux/VideoPlugin.h>
#include <io/detail/detail.h>
#include <lang/System.h>
#include <cstdio>
#include <memory>
#include <string>

namespace
{

class Loads : public pf::WebViewObserver
{
public:
	std::string result;

	void onUrlLoadCompleted(bool success, std::string const& title, pf::WebView*) override
	{
		result = std::string(success ? "true " : "false ") + title;
	}

	int onLinkClicked(std::string const&, pf::WebView*) override { return pf::WEBVIEW_LINK_LOAD; }
	void callLuaFunction(std::string const&) override {}
};

} // namespace

int main(int argc, char** argv)
{
	if (argc != 3)
	{
		std::fprintf(stderr, "usage: plugin-probe DATA-ROOT CLIP\n");
		return 2;
	}
	std::string why;
	std::unique_ptr<pf::VideoDecoder> decoder = pf::createVideoDecoder(why);
	if (decoder && decoder->open(argv[2]) && decoder->next())
		std::printf("video: frame\n");
	else
		std::printf("video: %s\n", decoder ? decoder->error().c_str() : why.c_str());

	io::detail::setBundlePath(argv[1]);
	Loads loads;
	{
		lang::Ptr<pf::WebView> view = new pf::WebView(0, 0, 100, 100);
		view->setObserver(&loads);
		view->loadLocalUrl("page.html");
		int64_t const end = lang::System::currentTimeMillis() + 15000;
		while (loads.result.empty() && lang::System::currentTimeMillis() < end)
		{
			pf::runMainThreadQueue();
			pf::turnPageLoop();
		}
		view->setObserver(nullptr);
	}
	std::printf("page: %s\n", loads.result.c_str());
	std::fflush(stdout);
	return 0;
}
