#include "NetFixture.h"
#include <net/HttpRequestException.h>
#include <io/ThrownMessage.h>
#include <atomic>
#include <functional>
#include <thread>

using test::LoopbackHttpServer;

namespace
{

using Answer = LoopbackHttpServer::Answer;

/** Answers by path: "/a" and "/b" redirect on to "/c", "/loop" to itself. */
Answer byPath(LoopbackHttpServer::Request const& request)
{
	if (request.path == "/a")
		return LoopbackHttpServer::respond(302, "", {{"Location", "/b"}});
	if (request.path == "/b")
		return LoopbackHttpServer::respond(301, "", {{"Location", "/c"}});
	if (request.path == "/c")
		return LoopbackHttpServer::respond(200, "end");
	if (request.path == "/loop")
		return LoopbackHttpServer::respond(302, "", {{"Location", "/loop"}});
	if (request.path == "/login")
		return LoopbackHttpServer::respond(302, "", {{"Location", "/home"}, {"Set-Cookie", "sid=42; Path=/"}});
	if (request.path == "/home")
	{
		auto cookie = request.headers.find("cookie");
		return LoopbackHttpServer::respond(200, cookie == request.headers.end() ? "no cookie" : cookie->second);
	}
	if (request.path == "/file")
		return LoopbackHttpServer::respond(302, "", {{"Location", "file:///etc/hostname"}});
	if (request.path == "/ok")
		return LoopbackHttpServer::respond(200, "hello", {{"X-Test", "1"}});
	if (request.path == "/missing")
		return LoopbackHttpServer::respond(404, "not here");
	if (request.path == "/big")
		return LoopbackHttpServer::respond(200, std::string(1000, 'x'));
	if (request.path == "/stall")
		return LoopbackHttpServer::never();
	return LoopbackHttpServer::respond(200);
}

class HttpRequestTest : public NetFixture
{
protected:
	void SetUp() override
	{
		NetFixture::SetUp();
		server.setResponder(&byPath);
	}
};

} // namespace

TEST_F(HttpRequestTest, AnswersRedirectsAndCookies)
{
	struct Case
	{
		char const* path;
		int status;
		char const* body;
		char const* finalPath;
	};
	Case const cases[] = {
		{"/ok", 200, "hello", "/ok"},
		{"/missing", 404, "not here", "/missing"},
		{"/empty", 200, "", "/empty"},
		{"/a", 200, "end", "/c"},
		{"/login", 200, "sid=42", "/home"},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.path);
		net::HttpRequest request;
		net::HttpResponse response = request.get(server.url(c.path));
		EXPECT_EQ(c.status, response.status);
		EXPECT_EQ(c.body, response.body);
		EXPECT_EQ(server.url(c.finalPath), response.effectiveUrl);
		ASSERT_FALSE(response.headers.empty());
		EXPECT_EQ(0u, response.headers.front().rfind("HTTP/1.", 0));
		EXPECT_EQ("\r\n", response.headers.back());
	}

	net::HttpRequest request;
	net::HttpResponse ok = request.get(server.url("/ok"));
	EXPECT_NE(std::find(ok.headers.begin(), ok.headers.end(), "X-Test: 1\r\n"), ok.headers.end());
	EXPECT_TRUE(ok.cookies.empty());

	net::HttpResponse login = request.get(server.url("/login"));
	ASSERT_EQ(1u, login.cookies.size());
	EXPECT_NE(std::string::npos, login.cookies[0].find("127.0.0.1"));
	EXPECT_NE(std::string::npos, login.cookies[0].find("\tsid\t42"));
}

TEST_F(HttpRequestTest, FailuresRaiseWithLibcurlText)
{
	std::string refused;
	{
		LoopbackHttpServer closed;
		refused = closed.url("/");
	}
	net::HttpLimits small = shortLimits();
	small.maxBodyBytes = 999;
	struct Case
	{
		std::string url;
		std::string message;
	};
	Case const cases[] = {
		{server.url("/loop"), "Number of redirects hit maximum amount"},
		{server.url("/file"), "Unsupported protocol"},
		{"file:///etc/hostname", "Unsupported protocol"},
		{"ftp://127.0.0.1/", "Unsupported protocol"},
		{"", "URL using bad/illegal format or missing URL"},
		{refused, "Couldn't connect to server"},
		{server.url("/stall"), "Timeout was reached"},
		{server.url("/big"), "Body of " + server.url("/big") + " exceeds 999 bytes"},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.url);
		net::HttpRequest request;
		request.setLimits(small);
		EXPECT_EQ(c.message, message<net::HttpRequestException>([&] { request.get(c.url); }));
	}
	// The loop stopped at the limit: the first request and ten redirects.
	size_t loops = 0;
	for (auto const& r : server.requests())
		loops += r.path == "/loop";
	EXPECT_EQ(11u, loops);
}

TEST_F(HttpRequestTest, CancelFlagEndsAStalledRequest)
{
	net::HttpLimits patient = shortLimits();
	patient.lowSpeedSeconds = 60;
	std::atomic<bool> cancel{false};
	std::string error;
	std::thread worker([&] {
		net::HttpRequest request;
		request.setLimits(patient);
		request.setCancelFlag(&cancel);
		error = message<net::HttpRequestException>([&] { request.get(server.url("/stall")); });
	});
	ASSERT_TRUE(server.waitForRequests(1));
	cancel = true;
	worker.join();
	EXPECT_EQ("Request for " + server.url("/stall") + " was cancelled", error);
}

TEST_F(HttpRequestTest, EightThreadsAtOnce)
{
	std::vector<std::thread> threads;
	std::atomic<int> good{0};
	for (int i = 0; i < 8; ++i)
		threads.emplace_back([&, i] {
			net::HttpRequest request;
			net::HttpResponse response = request.get(server.url(i % 2 ? "/a" : "/ok"));
			good += response.status == 200 && response.body == (i % 2 ? "end" : "hello");
		});
	for (std::thread& t : threads)
		t.join();
	EXPECT_EQ(8, good);
}
