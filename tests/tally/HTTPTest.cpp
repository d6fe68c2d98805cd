#include "TallyFixture.h"
#include <support/DamagedCopies.h>
#include <support/LoopbackHttpServer.h>
#include <Networking/TallyHTTPEater.h>
#include <TallyArchiver.h>

using test::LoopbackHttpServer;
using Answer = LoopbackHttpServer::Answer;

namespace
{

class TallyHTTP : public TallyTest
{
protected:
	LoopbackHttpServer m_server;
};

} // namespace

TEST(TallyHTTPUrl, BuiltFromItsParts)
{
	using F = TallyHTTPEater::Fields;
	EXPECT_EQ("http://example.test/a/b", TallyHTTPEater::urlWithProtocol(std::nullopt, "example.test", 80, "a/b", std::nullopt));
	EXPECT_EQ("http://example.test:8080/a", TallyHTTPEater::urlWithProtocol(std::nullopt, "example.test", 8080, "a", std::nullopt));
	EXPECT_EQ("https://h:443/p?a=1&b=2", TallyHTTPEater::urlWithProtocol("https", "h", 443, "p", F{{"b", "2"}, {"a", "1"}}));
	EXPECT_EQ("http://h?q=1", TallyHTTPEater::urlWithProtocol(std::nullopt, "h", 0, std::nullopt, std::string("q=1")));
	EXPECT_EQ(std::nullopt, TallyHTTPEater::urlWithProtocol("http", "bad host name", 0, std::nullopt, std::nullopt));
	EXPECT_EQ("", TallyHTTPEater::queryDictionaryToString({}));
	EXPECT_EQ("a=1&b=2", TallyHTTPEater::queryDictionaryToString({{"b", "2"}, {"a", "1"}}));
}

TEST(TallyHTTPResponseRule, SuccessIsStatus200To399)
{
	for (auto [status, success] : {std::pair{0, false}, {199, false}, {200, true}, {302, true}, {399, true}, {400, false}, {500, false}})
	{
		TallyHTTPResponse response(std::nullopt, status, std::nullopt, std::nullopt);
		EXPECT_EQ(success, response.isSuccess()) << status;
		EXPECT_NE(success, response.isError()) << status;
	}
	EXPECT_EQ("status:404 error:(null) body:gone", TallyHTTPResponse(std::string("gone"), 404, std::nullopt, std::nullopt).description());
}

TEST_F(TallyHTTP, SavedResponseReadsBackAndDamageGivesStatusZero)
{
	TallyHTTPResponse saved(std::string("\x01\x02 body", 7), 201, TallyHTTPResponse::Headers{{"x-a", "1"}}, std::nullopt);
	saved.saveToDisk();
	std::string path = TallyHTTPResponse::filePath(TEST_EPOCH / 1000000);
	for (std::string address : {path, "file://" + path})
	{
		TallyHTTPResponse read = TallyHTTPResponse::readFromURL(address);
		EXPECT_EQ(201, read.statusCode());
		EXPECT_EQ(saved.body(), read.body());
		EXPECT_EQ(saved.headers(), read.headers());
	}

	// Without "statusCode": status 0, the rest kept.
	TallyArchiver coder;
	coder.encodeData("body", "x");
	m_folder.write("nostatus", coder.text());
	TallyHTTPResponse noStatus = TallyHTTPResponse::readFromURL(m_folder / "nostatus");
	EXPECT_EQ(0, noStatus.statusCode());
	EXPECT_EQ(std::optional<std::string>("x"), noStatus.body());
	EXPECT_EQ(0, TallyHTTPResponse::readFromURL(m_folder / "missing").statusCode());

	std::string text = m_folder.read(path.substr(m_folder.path().size() + 1));
	forEachDamagedCopy(std::vector<unsigned char>(text.begin(), text.end()), 300, 30, [&](std::vector<unsigned char> const& copy) {
		m_folder.write("damaged", std::string(copy.begin(), copy.end()));
		TallyHTTPResponse read = TallyHTTPResponse::readFromURL(m_folder / "damaged");
		// Read whole or not at all: a body only with the rest of the file readable.
		if (!read.body())
		{
			EXPECT_FALSE(read.headers() && read.statusCode() == 201 && copy.size() == text.size() - 1);
		}
		EXPECT_LE(read.body().value_or("").size(), copy.size());
	});
}

TEST_F(TallyHTTP, RequestCarriesMethodHeadersAndBody)
{
	m_server.enqueue(LoopbackHttpServer::respond(200, "answer", {{"X-Reply", "yes"}}));
	std::string body("\x00\x01\xFFreport", 9);
	TallyHTTPResponse response = TallyHTTPEater::post(m_server.url("/aas.do"), body, {{"Content-Type", "application/octet-stream"}});
	ASSERT_EQ(1u, m_server.requests().size());
	LoopbackHttpServer::Request request = m_server.requests()[0];
	EXPECT_EQ("POST", request.method);
	EXPECT_EQ("/aas.do", request.path);
	EXPECT_EQ("application/octet-stream", request.headers["content-type"]);
	EXPECT_EQ(0u, request.headers.count("cookie"));
	EXPECT_EQ(body, request.body);
	EXPECT_TRUE(response.isSuccess());
	EXPECT_EQ(std::optional<std::string>("answer"), response.body());
	EXPECT_EQ("yes", response.headers()->at("x-reply"));
	EXPECT_FALSE(response.error());

	// The web-view way sends the same and answers none.
	EXPECT_FALSE(TallyHTTPEater::sendMethod("GET", m_server.url("/web"), std::nullopt, {}, 5, true));
	EXPECT_EQ(2u, m_server.requests().size());
	EXPECT_FALSE(TallyHTTPEater::get("not a url").isSuccess());
	EXPECT_FALSE(TallyHTTPEater::get("ftp://127.0.0.1/").isSuccess());
}

// Every answer a broken or hostile server can give ends in a response
// judged by its status, never in a crash or a hang.
TEST_F(TallyHTTP, GarbageAnswers)
{
	std::string big(1 << 20, 'h');
	struct Case
	{
		char const* name;
		Answer answer;
		int status;      // -1: 0 or 200 (a reset may beat the head)
		bool success;
		bool error;
	};
	Case cases[] = {
		{"not HTTP", LoopbackHttpServer::raw("garbage garbage\r\n\r\n"), 0, false, true},
		{"status line only", LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\n"), 0, false, true},
		{"199", LoopbackHttpServer::raw("HTTP/1.1 199 Odd\r\nContent-Length: 0\r\n\r\n"), 0, false, true},
		{"200", LoopbackHttpServer::respond(200, "fine"), 200, true, false},
		{"399", LoopbackHttpServer::respond(399), 399, true, false},
		{"400", LoopbackHttpServer::respond(400), 400, false, false},
		{"500", LoopbackHttpServer::respond(500, "oops"), 500, false, false},
		{"short body then close", LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"), 200, true, true},
		{"reset mid-body", LoopbackHttpServer::reset("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npart"), -1, false, true},
		{"bad chunking", LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nZZ\r\nxx\r\n"), 200, true, true},
		{"1 MB header", LoopbackHttpServer::raw("HTTP/1.1 200 OK\r\nX-Big: " + big + "\r\n\r\n"), 0, false, true},
		{"redirect to a file", LoopbackHttpServer::respond(302, "", {{"Location", "file:///etc/passwd"}}), 0, false, true},
		{"body over 16 MiB", LoopbackHttpServer::respond(200, std::string((16 << 20) + 1, 'b')), 0, false, true},
		{"no answer", LoopbackHttpServer::never(), 0, false, true},
	};
	for (Case const& c : cases)
	{
		m_server.enqueue(c.answer);
		std::optional<TallyHTTPResponse> response = TallyHTTPEater::sendMethod("GET", m_server.url("/x"), std::nullopt, {}, 1, false);
		ASSERT_TRUE(response) << c.name;
		if (c.status >= 0)
		{
			EXPECT_EQ(c.status, response->statusCode()) << c.name;
			EXPECT_EQ(c.success, response->isSuccess()) << c.name;
		}
		else
			EXPECT_TRUE(response->statusCode() == 0 || response->statusCode() == 200) << c.name;
		EXPECT_EQ(c.error, response->error().has_value()) << c.name;
		if (response->body())
		{
			EXPECT_EQ(std::string::npos, response->body()->find("root:")) << c.name;
		}
	}

	// A redirect loop stops after 10 redirects.
	size_t before = m_server.requests().size();
	m_server.setResponder([&](LoopbackHttpServer::Request const&) { return LoopbackHttpServer::respond(302, "", {{"Location", "/loop"}}); });
	TallyHTTPResponse loop = TallyHTTPEater::get(m_server.url("/loop"));
	EXPECT_EQ(0, loop.statusCode());
	EXPECT_TRUE(loop.error());
	EXPECT_EQ(before + 11, m_server.requests().size());
}
