#include "NetFixture.h"
#include <net/HttpFileInputStream.h>
#include <net/HttpRequestException.h>
#include <io/ThrownMessage.h>
#include <support/DamagedCopies.h>

using test::LoopbackHttpServer;

namespace
{

class HttpFileInputStreamTest : public NetFixture
{
};

std::string readAll(net::HttpFileInputStream& in)
{
	int size = in.available();
	std::string text(static_cast<size_t>(size), '\0');
	EXPECT_EQ(size, in.read(text.data(), size));
	EXPECT_EQ(0, in.available());
	return text;
}

} // namespace

TEST_F(HttpFileInputStreamTest, BodyStatusAndUrl)
{
	server.enqueue(LoopbackHttpServer::respond(200, "0123456789"));
	server.enqueue(LoopbackHttpServer::respond(404, "<h1>gone</h1>"));
	server.enqueue(LoopbackHttpServer::respond(200));

	net::HttpFileInputStream ok(server.url("/data"));
	EXPECT_EQ(200, ok.status());
	EXPECT_EQ(server.url("/data"), ok.toString());
	EXPECT_EQ(10, ok.available());
	EXPECT_EQ(3, ok.skip(3));
	EXPECT_TRUE(ok.seek(-2, io::InputStream::SEEK_END));
	char tail[4] = {};
	EXPECT_EQ(2, ok.read(tail, 4));
	EXPECT_STREQ("89", tail);

	net::HttpFileInputStream missing(server.url("/gone"));
	EXPECT_EQ(404, missing.status());
	EXPECT_EQ("<h1>gone</h1>", readAll(missing));

	net::HttpFileInputStream empty(server.url("/empty"));
	EXPECT_EQ(200, empty.status());
	EXPECT_EQ(0, empty.available());
}

TEST_F(HttpFileInputStreamTest, BadAnswersGiveAStreamOrTheException)
{
	struct Case
	{
		char const* name;
		LoopbackHttpServer::Answer answer;
		char const* message; ///< null: a stream
	};
	Case const cases[] = {
		{"garbage status line", LoopbackHttpServer::raw("HTTP/1.1 abc\r\n\r\n"), "Unsupported protocol"},
		{"HTTP/0.9", LoopbackHttpServer::raw("hello world"), "Unsupported protocol"},
		{"nothing", LoopbackHttpServer::close(), "Server returned nothing (no headers, no data)"},
		{"short body", LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\nshort"), "Transferred a partial file"},
		{"reset mid-body", LoopbackHttpServer::reset("HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\nshort"), nullptr},
		{"broken chunk", LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n0\r\n\r\n"),
			"Failure when receiving data from the peer"},
		{"good chunks", LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nab\r\n0\r\n\r\n"), nullptr},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.name);
		server.enqueue(c.answer);
		if (c.message)
		{
			std::string text = message<net::HttpRequestException>([&] { net::HttpFileInputStream in(server.url()); });
			EXPECT_EQ(0u, text.find(c.message)) << text;
		}
		else
		{
			// A reset may come before or after the bytes are read: either outcome is fine.
			try
			{
				net::HttpFileInputStream in(server.url());
				EXPECT_EQ("ab", readAll(in));
			}
			catch (net::HttpRequestException const& e)
			{
				EXPECT_STREQ("reset mid-body", c.name) << e.getMessage().format();
			}
		}
	}
}

TEST_F(HttpFileInputStreamTest, DamagedAnswersNeverCrash)
{
	std::string const full = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nSet-Cookie: a=b; Path=/\r\n"
		"Content-Length: 11\r\n\r\nhello world";
	std::vector<unsigned char> bytes(full.begin(), full.end());
	int streams = 0;
	int failures = 0;
	forEachDamagedCopy(bytes, 150, 27u, [&](std::vector<unsigned char> const& copy) {
		server.enqueue(LoopbackHttpServer::raw(std::string(copy.begin(), copy.end())));
		try
		{
			net::HttpFileInputStream in(server.url());
			EXPECT_LE(in.available(), 11);
			++streams;
		}
		catch (net::HttpRequestException const& e)
		{
			EXPECT_FALSE(e.getMessage().format().empty());
			++failures;
		}
	});
	EXPECT_EQ(static_cast<int>(full.size()) + 150, streams + failures);
	EXPECT_GT(streams, 0);
	EXPECT_GT(failures, 0);
}
