// A 10 MB body from the loopback server read whole through the stream,
// against libcurl's easy API appending to a buffer, on the same server.
#include <net/GlobalInit.h>
#include <net/HttpFileInputStream.h>
#include <support/LoopbackHttpServer.h>
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <string>
#include <vector>

namespace
{

constexpr int BODY_BYTES = 10 << 20;

test::LoopbackHttpServer& server()
{
	static test::LoopbackHttpServer s_server;
	static bool s_ready = [] {
		s_server.setDefault(test::LoopbackHttpServer::respond(200, std::string(BODY_BYTES, 'b')));
		return true;
	}();
	(void)s_ready;
	return s_server;
}

size_t append(char* data, size_t size, size_t count, void* user)
{
	static_cast<std::string*>(user)->append(data, size * count);
	return size * count;
}

void BM_HttpFileInputStream(benchmark::State& state)
{
	std::string url = server().url("/body");
	std::vector<char> out(BODY_BYTES);
	for (auto _ : state)
	{
		net::HttpFileInputStream in(url);
		int got = in.read(out.data(), in.available());
		if (got != BODY_BYTES)
			state.SkipWithError("short body");
		benchmark::DoNotOptimize(out.data());
	}
	state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(BODY_BYTES));
}
BENCHMARK(BM_HttpFileInputStream)->Unit(benchmark::kMillisecond);

void BM_CurlEasyAlone(benchmark::State& state)
{
	net::globalInit();
	std::string url = server().url("/body");
	for (auto _ : state)
	{
		std::string body;
		CURL* curl = curl_easy_init();
		curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
		curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &append);
		curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
		CURLcode result = curl_easy_perform(curl);
		curl_easy_cleanup(curl);
		if (result != CURLE_OK || body.size() != BODY_BYTES)
			state.SkipWithError("short body");
		benchmark::DoNotOptimize(body.data());
	}
	state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(BODY_BYTES));
}
BENCHMARK(BM_CurlEasyAlone)->Unit(benchmark::kMillisecond);

} // namespace
