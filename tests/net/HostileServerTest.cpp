// Requests against servers that misbehave: each ends within its limits,
// holds no more than the body limit and tells the caller why it failed.
#include "NetFixture.h"
#include <net/HttpRequestException.h>
#include <io/ThrownMessage.h>
#include <chrono>
#include <string>

using test::LoopbackHttpServer;
using namespace std::chrono_literals;

namespace
{

class HostileServer : public NetFixture
{
protected:
	/** Limits a test waits out in seconds: 3 s in all, a 1 s stall window, 1 MiB of body. */
	void SetUp() override
	{
		NetFixture::SetUp();
		net::HttpLimits limits = shortLimits();
		limits.totalTimeoutMs = 3000;
		limits.lowSpeedSeconds = 1;
		limits.maxBodyBytes = size_t(1) << 20;
		net::HttpRequest::setDefaultLimits(limits);
	}

	LoopbackHttpServer other;
};

} // namespace

TEST_F(HostileServer, EachCaseEndsWithinItsLimitAndTellsTheCaller)
{
	other.setDefault(LoopbackHttpServer::respond(200, "from the other port"));
	struct Case
	{
		char const* name;
		LoopbackHttpServer::Answer answer;
		/** The start of the failure's message; empty: an answer with status and body. */
		std::string message;
		int status;
		std::string body;
		/** The longest the request may take. */
		std::chrono::milliseconds within;
	};
	std::string const slowHead = "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n";
	std::string const openHead = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
	Case const cases[] = {
		{"silent", LoopbackHttpServer::never(), "Timeout was reached", 0, "", 2500ms},
		{"one byte a second", LoopbackHttpServer::stream(slowHead, "x", 1000ms), "Timeout was reached", 0, "", 2500ms},
		{"steady but past the whole limit", LoopbackHttpServer::stream(slowHead, std::string(2048, 'x'), 500ms), "Timeout was reached", 0, "",
			4500ms},
		{"endless body", LoopbackHttpServer::stream(openHead, std::string(65536, 'x'), 0ms), "Body of " + server.url() + " exceeds 1048576 bytes", 0,
			"", 2500ms},
		// Its first body byte would come after 10 s: the refusal comes from the head.
		{"10 GB Content-Length", LoopbackHttpServer::stream("HTTP/1.1 200 OK\r\nContent-Length: 10000000000\r\n\r\n", "x", 10000ms),
			"Body of " + server.url() + " exceeds 1048576 bytes", 0, "", 1000ms},
		{"redirect loop", LoopbackHttpServer::respond(302, "", {{"Location", "/"}}), "Number of redirects hit maximum amount", 0, "", 2500ms},
		{"redirect to file://", LoopbackHttpServer::respond(302, "", {{"Location", "file:///etc/hostname"}}), "Unsupported protocol", 0, "", 1000ms},
		{"redirect to another port", LoopbackHttpServer::respond(307, "", {{"Location", other.url("/there")}}), "", 200, "from the other port",
			1000ms},
		{"garbage status line", LoopbackHttpServer::raw("HTTP/1.1 two hundred\r\n\r\n"), "Unsupported protocol", 0, "", 1000ms},
		{"500", LoopbackHttpServer::respond(500, "broken"), "", 500, "broken", 1000ms},
		{"close mid-body", LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789"), "Transferred a partial file", 0, "",
			1000ms},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.name);
		server.setDefault(c.answer);
		net::HttpResponse response;
		auto const start = std::chrono::steady_clock::now();
		std::string const text = message<net::HttpRequestException>([&] {
			net::HttpRequest request;
			response = request.get(server.url());
		});
		auto const took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
		EXPECT_LE(took.count(), c.within.count());
		if (c.message.empty())
		{
			EXPECT_EQ("no exception", text);
			EXPECT_EQ(c.status, response.status);
			EXPECT_EQ(c.body, response.body);
		}
		else
		{
			EXPECT_EQ(0u, text.find(c.message)) << text;
			EXPECT_TRUE(response.body.empty());
		}
	}
}
