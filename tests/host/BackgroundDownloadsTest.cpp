#include <support/HostFixture.h>
#include <support/DamagedCopies.h>
#include <support/LoopbackHttpServer.h>
#include <host/BackgroundDownloads.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <img/ImageWriter.h>
#include <io/ThrownMessage.h>
#include <io/ByteArrayOutputStream.h>
#include <net/HttpRequest.h>
#include <sys/stat.h>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

using test::LoopbackHttpServer;

// The tests stand in the unnamed namespace with their fixtures: the first
// fixture shares its name with the host's ::BackgroundDownloads.
namespace
{

/**
 * A host whose scripts record "nativecallback_urlResponse" calls in the
 * table "responses" ("url=body") and a loopback server to download from;
 * requests stall out after a second.
 */
class BackgroundDownloads : public test::HostFixture
{
protected:
	LoopbackHttpServer server;
	net::HttpLimits saved = net::HttpRequest::defaultLimits();

	void SetUp() override
	{
		net::HttpLimits limits;
		limits.connectTimeoutMs = 2000;
		limits.lowSpeedSeconds = 1;
		net::HttpRequest::setDefaultLimits(limits);
		run("responses = {}\n"
			"function nativecallback_urlResponse(url, body) responses[#responses + 1] = url .. '=' .. body end\n"
			"function update() end\n");
	}

	void TearDown() override
	{
		destroyHost();
		net::HttpRequest::setDefaultLimits(saved);
	}

	void start(std::string const& url) { run("native_startURLThread('" + url + "')"); }

	/** The strings of the host-table list name. */
	std::vector<std::string> strings(char const* name)
	{
		std::vector<std::string> list;
		lua::LuaTable table = host().getTable(name);
		for (int i = 1; i <= table.size(); ++i)
			list.push_back(table.getString(i));
		return list;
	}

	std::vector<std::string> responses() { return strings("responses"); }

	/**
	 * Waits until the advertisement jobs queued so far are done and their
	 * result reached the frame: queues one more for "/ad-after" (answered
	 * "{}" by the test's responder, which shows nothing) behind them.
	 */
	void finishAdJobs()
	{
		auto const afters = [&] {
			size_t n = 0;
			for (auto const& r : server.requests())
				n += r.path == "/ad-after";
			return n;
		};
		size_t const before = afters();
		run("checkMainMenuAd('" + server.url("/ad-after") + "')");
		ASSERT_TRUE(framesUntil([&] { return afters() > before; }));
		host().update(0.f);
	}

	/** Runs frames until done() holds; false after ten seconds. */
	template <class F>
	bool framesUntil(F done)
	{
		auto const end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
		while (!done())
		{
			if (std::chrono::steady_clock::now() > end)
				return false;
			host().update(0.f);
			std::this_thread::yield();
		}
		return true;
	}

	/** Runs frames until n responses arrived. */
	bool responsesArrive(size_t n)
	{
		return framesUntil([&] { return responses().size() >= n; });
	}
};

std::string png(int width, int height)
{
	std::vector<unsigned char> pixels(static_cast<size_t>(width * height * 4), 0x80);
	io::ByteArrayOutputStream out;
	img::ImageWriter::write(out, io::FILEFORMAT_PNG, pixels.data(), width, height, gr::SurfaceFormat::SURFACE_A8R8G8B8);
	return std::string(out.data().begin(), out.data().end());
}

TEST_F(BackgroundDownloads, TwoCallsInAFrameReturnAtOnceAndBothArrive)
{
	server.setResponder([](LoopbackHttpServer::Request const& request) {
		if (request.path == "/first")
			return LoopbackHttpServer::held(LoopbackHttpServer::respond(200, "one"));
		return LoopbackHttpServer::respond(200, "two");
	});
	std::string first = server.url("/first");
	std::string second = server.url("/second");
	start(first);
	start(second);
	start(second); // already waiting or running: not queued again, or run once more
	// The held first download does not hold the second.
	ASSERT_TRUE(responsesArrive(1));
	EXPECT_EQ(second + "=two", responses()[0]);

	server.release();
	ASSERT_TRUE(framesUntil([&] { return responses().back() == first + "=one"; }));
	EXPECT_LE(server.requests().size(), 3u);
}

TEST_F(BackgroundDownloads, FailuresDeliverNothing)
{
	std::string refused;
	{
		LoopbackHttpServer closed;
		refused = closed.url("/");
	}
	server.setResponder([](LoopbackHttpServer::Request const& request) {
		if (request.path == "/error")
			return LoopbackHttpServer::respond(500, "oops");
		if (request.path == "/missing")
			return LoopbackHttpServer::respond(404, "gone");
		return LoopbackHttpServer::respond(200, "fine");
	});
	for (std::string const& url : {server.url("/error"), server.url("/missing"), refused, std::string("file:///etc/hostname"),
			 std::string(""), std::string("gopher://127.0.0.1/")})
		start(url);
	start(server.url("/good"));
	ASSERT_TRUE(responsesArrive(1));
	host().update(0.f);
	EXPECT_EQ(std::vector<std::string>{server.url("/good") + "=fine"}, responses());
}

TEST_F(BackgroundDownloads, AdvertisementBecomesASprite)
{
	std::string const image = png(6, 4);
	server.setResponder([&](LoopbackHttpServer::Request const& request) {
		if (request.path == "/ad.png")
			return LoopbackHttpServer::respond(200, image, {{"Content-Type", "image/png"}});
		return LoopbackHttpServer::respond(200, "{\"timestamp\": \"2026-12-10\", \"media\": {\"itemCount\": 1, \"item0\": {"
			"\"image\": \"" + server.url("/ad.png") + "\", \"link\": \"" + server.url("/shop") + "\", \"type\": \"image/png\"}}}");
	});
	run("checkMainMenuAd('" + server.url("/ad.json") + "')");
	ASSERT_TRUE(framesUntil([&] { return host().isBoolean("mainMenuAdReadyToBeShown"); }));
	EXPECT_TRUE(host().getBoolean("mainMenuAdReadyToBeShown"));
	EXPECT_EQ(server.url("/shop"), host().getString("mainMenuAdUrl"));
	EXPECT_EQ("2026-12-10", host().getString("mainMenuAdTimeStamp"));
	game::SpriteSheet* sheet = resources->getSpriteSheet("MAIN_MENU_AD_SHEET");
	ASSERT_NE(nullptr, sheet);
	game::Sprite* sprite = sheet->getSprite("MAIN_MENU_AD_IMAGE");
	ASSERT_NE(nullptr, sprite);
	EXPECT_EQ(6, sprite->getWidth());
	EXPECT_EQ(4, sprite->getHeight());
	EXPECT_EQ(3, sprite->getPivotX());
	EXPECT_EQ(2, sprite->getPivotY());
	EXPECT_EQ(sprite, resources->getSprite("MAIN_MENU_AD_IMAGE"));
	EXPECT_EQ(1, context->count("Texture.blt"));
}

TEST_F(BackgroundDownloads, AdvertisementsThatAreNotShown)
{
	struct Case
	{
		char const* name;
		std::string json;
		std::string image;
	};
	std::string const ad = "\"image\": \"" + server.url("/ad.img") + "\", \"link\": \"" + server.url("/shop") + "\"";
	std::string const good = png(4, 4);
	Case const cases[] = {
		{"no items", "{\"timestamp\": \"t\", \"media\": {\"itemCount\": 0}}", good},
		{"no timestamp", "{\"media\": {\"itemCount\": 1, \"item0\": {" + ad + "}}}", good},
		{"no link", "{\"timestamp\": \"t\", \"media\": {\"itemCount\": 1, \"item0\": {\"image\": \"x\"}}}", good},
		{"not JSON", "{\"timestamp\": ", good},
		{"jpeg read as PNG", "{\"timestamp\": \"t\", \"media\": {\"itemCount\": 1, \"item0\": {" + ad + ", \"type\": \"image/jpeg\"}}}",
			"\xFF\xD8\xFF\xE0 not a png"},
		{"damaged PNG", "{\"timestamp\": \"t\", \"media\": {\"itemCount\": 1, \"item0\": {" + ad + "}}}", good.substr(0, good.size() / 2)},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.name);
		run("mainMenuAdUrl = nil; mainMenuAdReadyToBeShown = nil; responses = {}");
		server.setResponder([&](LoopbackHttpServer::Request const& request) {
			if (request.path == "/ad.img")
				return LoopbackHttpServer::respond(200, c.image);
			return LoopbackHttpServer::respond(200, request.path == "/ad.json" ? c.json : "{}");
		});
		run("checkMainMenuAd('" + server.url("/ad.json") + "')");
		finishAdJobs();
		EXPECT_FALSE(host().isBoolean("mainMenuAdReadyToBeShown"));
		// The link and time stamp come only with a shown advertisement.
		EXPECT_FALSE(host().isString("mainMenuAdUrl"));
	}
	EXPECT_EQ(nullptr, resources->getSpriteSheet("MAIN_MENU_AD_SHEET"));
}

TEST_F(BackgroundDownloads, DamagedAdvertisementDescriptions)
{
	std::string const image = png(2, 2);
	std::string const json = "{\"timestamp\": \"t\", \"media\": {\"itemCount\": 1, \"item0\": {\"image\": \"" +
		server.url("/i") + "\", \"link\": \"l\", \"type\": \"image/png\"}}}";
	std::mutex mutex;
	std::string served;
	server.setResponder([&](LoopbackHttpServer::Request const& request) {
		std::lock_guard<std::mutex> lock(mutex);
		return LoopbackHttpServer::respond(200, request.path == "/i" ? image : request.path == "/ad" ? served : "{}");
	});
	size_t count = 0;
	int shown = 0;
	forEachDamagedCopy(std::vector<unsigned char>(json.begin(), json.end()), 60, 120u, [&](std::vector<unsigned char> const& copy) {
		{
			std::lock_guard<std::mutex> lock(mutex);
			served.assign(copy.begin(), copy.end());
		}
		run("mainMenuAdReadyToBeShown = nil");
		run("checkMainMenuAd('" + server.url("/ad") + "')");
		finishAdJobs();
		++count;
		shown += host().isBoolean("mainMenuAdReadyToBeShown");
	});
	EXPECT_GT(shown, 0);
	EXPECT_LT(shown, static_cast<int>(count));
}

TEST_F(BackgroundDownloads, HostDestroyedDuringAStallReturnsPromptly)
{
	net::HttpLimits patient = net::HttpRequest::defaultLimits();
	patient.lowSpeedSeconds = 60;
	net::HttpRequest::setDefaultLimits(patient);
	server.setDefault(LoopbackHttpServer::never());
	start(server.url("/stall"));
	start(server.url("/stall2"));
	start(server.url("/queued"));
	ASSERT_TRUE(server.waitForRequests(2));
	auto const before = std::chrono::steady_clock::now();
	destroyHost();
	EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
	EXPECT_EQ(2u, server.requests().size());
}

// A download that stalls holds no download of another kind, nor the next URL.
TEST_F(BackgroundDownloads, OneStalledDownloadHoldsNoOther)
{
	net::HttpLimits patient = net::HttpRequest::defaultLimits();
	patient.lowSpeedSeconds = 60;
	net::HttpRequest::setDefaultLimits(patient);
	server.setResponder([](LoopbackHttpServer::Request const& request) {
		if (request.path.rfind("/stall", 0) == 0)
			return LoopbackHttpServer::never();
		return LoopbackHttpServer::respond(200, "fine");
	});
	run("checkMainMenuAd('" + server.url("/stall-ad") + "')");
	run("checkInstalledAppsOnline('" + server.url("/stall-list") + "')");
	start(server.url("/stall-url"));
	ASSERT_TRUE(server.waitForRequests(3));
	start(server.url("/next"));
	ASSERT_TRUE(responsesArrive(1));
	EXPECT_EQ(std::vector<std::string>{server.url("/next") + "=fine"}, responses());
}

// Each failure of a hostile server ends within the limits, is told on the
// output and delivers nothing.
TEST_F(BackgroundDownloads, HostileAnswersEndInTimeAndReplaceNothing)
{
	net::HttpLimits limits = net::HttpRequest::defaultLimits();
	limits.totalTimeoutMs = 2000;
	limits.maxBodyBytes = 1000;
	net::HttpRequest::setDefaultLimits(limits);
	std::string const url = server.url("/data");

	using namespace std::chrono_literals;
	std::string const head = "HTTP/1.1 200 OK\r\nContent-Length: 900\r\n\r\n";
	LoopbackHttpServer::Answer const answers[] = {
		LoopbackHttpServer::never(),
		LoopbackHttpServer::stream(head, "x", 1000ms),
		LoopbackHttpServer::stream(head, std::string(100, 'x'), 300ms),
		LoopbackHttpServer::stream("HTTP/1.1 200 OK\r\n\r\n", std::string(4096, 'x'), 0ms),
		LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 10000000000\r\n\r\n"),
		LoopbackHttpServer::respond(500, "broken"),
		LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf"),
	};
	// Both URL threads take a hostile answer (url and url2); the downloads
	// asked for next are held by the server, so the second of them starts
	// only once both hostile ones have ended.
	std::string const url2 = server.url("/data2");
	for (LoopbackHttpServer::Answer const& answer : answers)
	{
		size_t const asked = server.requests().size();
		size_t const delivered = responses().size();
		testing::internal::CaptureStdout();
		auto const begin = std::chrono::steady_clock::now();
		server.hold();
		server.enqueue(answer);
		server.enqueue(answer);
		start(url);
		start(url2);
		ASSERT_TRUE(server.waitForRequests(asked + 2));
		server.enqueue(LoopbackHttpServer::held(LoopbackHttpServer::respond(200, "good")));
		server.enqueue(LoopbackHttpServer::held(LoopbackHttpServer::respond(200, "good")));
		start(url);
		start(url2);
		bool const ended = server.waitForRequests(asked + 4, std::chrono::seconds(5));
		EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(3500));
		host().update(0.f);
		EXPECT_EQ(delivered, responses().size()) << "a failed download delivers nothing";
		std::string const out = testing::internal::GetCapturedStdout();
		EXPECT_NE(std::string::npos, out.find("Download of [" + url + "] failed: ")) << out;
		EXPECT_NE(std::string::npos, out.find("Download of [" + url2 + "] failed: ")) << out;
		server.release();
		ASSERT_TRUE(ended);
		ASSERT_TRUE(responsesArrive(delivered + 2));
	}
}

// A newer advertisement whose image fails leaves the shown one whole: its
// image, its link and its time.
TEST_F(BackgroundDownloads, AdvertisementStaysWholeUntilANewOneIsComplete)
{
	std::string const image = png(6, 4);
	auto const description = [&](char const* time, char const* imagePath, char const* link) {
		return "{\"timestamp\": \"" + std::string(time) + "\", \"media\": {\"itemCount\": 1, \"item0\": {\"image\": \"" +
			server.url(imagePath) + "\", \"link\": \"" + link + "\", \"type\": \"image/png\"}}}";
	};
	server.setResponder([&](LoopbackHttpServer::Request const& request) {
		if (request.path == "/old.png")
			return LoopbackHttpServer::respond(200, image);
		if (request.path == "/damaged.png")
			return LoopbackHttpServer::respond(200, image.substr(0, image.size() / 2));
		if (request.path == "/missing.png")
			return LoopbackHttpServer::respond(404, "gone");
		if (request.path == "/old.json")
			return LoopbackHttpServer::respond(200, description("t1", "/old.png", "old-link"));
		if (request.path == "/damaged.json")
			return LoopbackHttpServer::respond(200, description("t2", "/damaged.png", "new-link"));
		if (request.path == "/missing.json")
			return LoopbackHttpServer::respond(200, description("t3", "/missing.png", "new-link"));
		return LoopbackHttpServer::respond(200, "{}");
	});
	run("checkMainMenuAd('" + server.url("/old.json") + "')");
	finishAdJobs();
	game::SpriteSheet* const shown = resources->getSpriteSheet("MAIN_MENU_AD_SHEET");
	ASSERT_NE(nullptr, shown);
	for (char const* path : {"/damaged.json", "/missing.json"})
	{
		SCOPED_TRACE(path);
		run("checkMainMenuAd('" + server.url(path) + "')");
		finishAdJobs();
		EXPECT_EQ("old-link", host().getString("mainMenuAdUrl"));
		EXPECT_EQ("t1", host().getString("mainMenuAdTimeStamp"));
		EXPECT_EQ(shown, resources->getSpriteSheet("MAIN_MENU_AD_SHEET"));
	}
}

/** The downloads fixture with an xdg-mime stand-in first on PATH that knows the schemes "gamea" and "gamec". */
class BackgroundDownloadsGameLists : public BackgroundDownloads
{
protected:
	test::TempFolder bin;
	std::string m_path = getenv("PATH");

	void SetUp() override
	{
		BackgroundDownloads::SetUp();
		bin.write("xdg-mime", "#!/bin/sh\ncase \"$3\" in x-scheme-handler/gamea|x-scheme-handler/gamec) echo game.desktop;; esac\nexit 0\n");
		chmod((bin / "xdg-mime").c_str(), 0755);
		setenv("PATH", (bin.path() + ":" + m_path).c_str(), 1);
		run("installed = {}\n"
			"function setInstalledApps(list) installed[#installed + 1] = 'online:' .. list end\n"
			"function setInstalledAppsOffline(list) installed[#installed + 1] = 'offline:' .. list end\n");
	}

	void TearDown() override
	{
		BackgroundDownloads::TearDown();
		setenv("PATH", m_path.c_str(), 1);
	}

	std::vector<std::string> installed() { return strings("installed"); }
};

std::string const THREE_GAMES = "{\"ttl\": 60, \"gameCount\": 3, \"game_0\": {\"name\": \"Alpha\", \"scheme\": \"gamea\"}, "
	"\"game_1\": {\"name\": \"Beta\", \"scheme\": \"gameb\"}, \"game_2\": {\"name\": \"Gamma\", \"scheme\": \"gamec\"}}";

TEST_F(BackgroundDownloadsGameLists, InstalledNamesOrMalformed)
{
	struct Case
	{
		std::string json;
		char const* result; ///< null: "Malformed response"
	};
	Case const cases[] = {
		{THREE_GAMES, "Alpha, Gamma"},
		{"{\"gameCount\": 0}", ""},
		{"{\"gameCount\": -5, \"game_0\": {\"name\": \"Alpha\", \"scheme\": \"gamea\"}}", ""},
		{"{}", ""},
		{"{\"gameCount\": 1, \"game_0\": {\"name\": \"Alpha\"}}", nullptr},
		{"{\"gameCount\": 1, \"game_0\": {\"name\": 5, \"scheme\": \"gamea\"}}", nullptr},
		{"{\"gameCount\": 1, \"game_0\": \"Alpha\"}", nullptr},
		{"{\"gameCount\": 2147483647, \"game_0\": {\"name\": \"Alpha\", \"scheme\": \"gamea\"}}", nullptr},
		{"{\"gameCount\": 1,", nullptr},
		{"", nullptr},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.json);
		std::string text = message<lang::Exception>([&] { EXPECT_EQ(c.result ? c.result : "", host().downloads().determineInstalledApps(c.json)); });
		EXPECT_EQ(c.result ? "no exception" : "Malformed response", text);
	}

	int results = 0;
	forEachDamagedCopy(std::vector<unsigned char>(THREE_GAMES.begin(), THREE_GAMES.end()), 200, 7u, [&](std::vector<unsigned char> const& copy) {
		try
		{
			host().downloads().determineInstalledApps(std::string(copy.begin(), copy.end()));
			++results;
		}
		catch (lang::Exception const& e)
		{
			EXPECT_EQ("Malformed response", e.getMessage().format());
		}
	});
	EXPECT_GT(results, 0);
}

TEST_F(BackgroundDownloadsGameLists, OnlineListReachesTheFrameOfflineAtOnce)
{
	server.setResponder([](LoopbackHttpServer::Request const& request) {
		return LoopbackHttpServer::respond(200, request.path == "/games" ? THREE_GAMES : "{\"gameCount\": 1, \"game_0\": {}}");
	});
	run("checkInstalledAppsOffline('{\"gameCount\": 1, \"game_0\": {\"name\": \"Gamma\", \"scheme\": \"gamec\"}}')");
	EXPECT_EQ(std::vector<std::string>{"offline:Gamma"}, installed());
	EXPECT_EQ("Malformed response", error("checkInstalledAppsOffline('[')"));

	run("checkInstalledAppsOnline('" + server.url("/bad") + "')");
	run("checkInstalledAppsOnline('" + server.url("/games") + "')");
	ASSERT_TRUE(framesUntil([&] { return installed().size() == 2; }));
	EXPECT_EQ("online:Alpha, Gamma", installed()[1]);
	EXPECT_EQ(2u, server.requests().size());
}

} // namespace
