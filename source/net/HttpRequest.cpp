#include "HttpRequest.h"
#include "GlobalInit.h"
#include "HttpRequestException.h"
#include <lang/Format.h>
#include <curl/curl.h>
#include <algorithm>
#include <map>
#include <mutex>

namespace net
{

namespace
{

std::mutex s_limitsMutex;
HttpLimits s_limits;

/** What the callbacks write into; they never throw through libcurl. */
struct Transfer
{
	CURL* curl;
	HttpResponse* response;
	size_t maxBody;
	std::atomic<bool> const* cancel;
	bool overLimit = false;
	bool outOfMemory = false;
};

size_t receiveBody(char* data, size_t size, size_t count, void* user)
{
	Transfer& transfer = *static_cast<Transfer*>(user);
	size_t bytes = size * count;
	std::string& body = transfer.response->body;
	if (bytes > transfer.maxBody - body.size())
	{
		transfer.overLimit = true;
		return 0;
	}
	try
	{
		// One allocation of the announced size, else growth that never
		// reserves past the limit: the body is the only copy held.
		size_t const needed = body.size() + bytes;
		if (needed > body.capacity())
		{
			curl_off_t length = -1;
			size_t grown = std::max(needed, body.capacity() * 2);
			if (body.empty() && curl_easy_getinfo(transfer.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0 &&
				static_cast<curl_off_t>(transfer.maxBody) >= length)
				grown = std::max(needed, static_cast<size_t>(length));
			body.reserve(std::min(grown, transfer.maxBody));
		}
		body.append(data, bytes);
	}
	catch (...)
	{
		transfer.outOfMemory = true;
		return 0;
	}
	return bytes;
}

size_t receiveHeader(char* data, size_t size, size_t count, void* user)
{
	Transfer& transfer = *static_cast<Transfer*>(user);
	size_t bytes = size * count;
	try
	{
		transfer.response->headers.emplace_back(data, bytes);
	}
	catch (...)
	{
		transfer.outOfMemory = true;
		return 0;
	}
	return bytes;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
	Transfer& transfer = *static_cast<Transfer*>(user);
	return transfer.cancel && transfer.cancel->load() ? 1 : 0;
}

/** Frees a header list on every path. */
struct HeaderList
{
	curl_slist* list = nullptr;
	~HeaderList() { curl_slist_free_all(list); }
};

} // namespace

/** The easy handle with the request's header lines and limits. */
class HttpRequest::Impl : public lang::Object
{
public:
	CURL* m_curl;
	/** Header name to value, each sent as one "name: value" line. */
	std::map<std::string, std::string> m_headers;
	HttpLimits m_limits;
	std::atomic<bool> const* m_cancel;

	Impl() : m_curl(nullptr), m_limits(defaultLimits()), m_cancel(nullptr)
	{
		globalInit();
		m_curl = curl_easy_init();
		if (!m_curl)
			lang::throwError(HttpRequestException(lang::Format("Creating HttpRequest failed")));
		curl_easy_setopt(m_curl, CURLOPT_FOLLOWLOCATION, 1L);
		// Turns the cookie engine on without a file to write.
		curl_easy_setopt(m_curl, CURLOPT_COOKIEJAR, static_cast<char const*>(nullptr));
		curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
		curl_easy_setopt(m_curl, CURLOPT_PROTOCOLS_STR, "http,https");
		curl_easy_setopt(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
	}

	~Impl() override { curl_easy_cleanup(m_curl); }

	HttpResponse perform(std::string const& url)
	{
		HttpResponse response;
		Transfer transfer{m_curl, &response, m_limits.maxBodyBytes, m_cancel};

		curl_easy_setopt(m_curl, CURLOPT_URL, url.c_str());
		HeaderList headers;
		for (auto const& [name, value] : m_headers)
		{
			curl_slist* next = curl_slist_append(headers.list, (name + ": " + value).c_str());
			if (!next)
				lang::throw_OutOfMemoryException();
			headers.list = next;
		}
		curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, headers.list);
		curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT_MS, m_limits.connectTimeoutMs);
		curl_easy_setopt(m_curl, CURLOPT_TIMEOUT_MS, m_limits.totalTimeoutMs);
		// A body announced larger than the limit fails before it is read.
		curl_easy_setopt(m_curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_limits.maxBodyBytes));
		curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, m_limits.lowSpeedBytes);
		curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, m_limits.lowSpeedSeconds);
		curl_easy_setopt(m_curl, CURLOPT_MAXREDIRS, m_limits.maxRedirects);
		curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &receiveBody);
		curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &transfer);
		curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &receiveHeader);
		curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, &transfer);
		curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, static_cast<void*>(nullptr));
		curl_easy_setopt(m_curl, CURLOPT_READDATA, static_cast<void*>(nullptr));
		curl_easy_setopt(m_curl, CURLOPT_XFERINFOFUNCTION, &progress);
		curl_easy_setopt(m_curl, CURLOPT_XFERINFODATA, &transfer);
		curl_easy_setopt(m_curl, CURLOPT_NOPROGRESS, m_cancel ? 0L : 1L);

		CURLcode result = m_cancel && m_cancel->load() ? CURLE_ABORTED_BY_CALLBACK : curl_easy_perform(m_curl);
		curl_easy_setopt(m_curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));

		if (transfer.outOfMemory)
			lang::throw_OutOfMemoryException();
		if (transfer.overLimit || result == CURLE_FILESIZE_EXCEEDED)
			lang::throwError(HttpRequestException(lang::Format("Body of {0} exceeds {1} bytes", url, std::to_string(m_limits.maxBodyBytes))));
		if (result == CURLE_ABORTED_BY_CALLBACK)
			lang::throwError(HttpRequestException(lang::Format("Request for {0} was cancelled", url)));
		if (result != CURLE_OK)
			lang::throwError(HttpRequestException(lang::Format("{0}", curl_easy_strerror(result))));

		long status = 0;
		curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &status);
		response.status = static_cast<int>(status);
		char* effective = nullptr;
		if (curl_easy_getinfo(m_curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
			response.effectiveUrl = effective;
		curl_slist* cookies = nullptr;
		if (curl_easy_getinfo(m_curl, CURLINFO_COOKIELIST, &cookies) == CURLE_OK)
		{
			HeaderList owner{cookies};
			for (curl_slist* c = cookies; c; c = c->next)
				response.cookies.emplace_back(c->data);
		}
		return response;
	}
};

HttpRequest::HttpRequest() : m_impl(new Impl) {}

HttpRequest::~HttpRequest() {}

HttpResponse HttpRequest::get(std::string const& url)
{
	curl_easy_setopt(m_impl->m_curl, CURLOPT_POST, 0L);
	curl_easy_setopt(m_impl->m_curl, CURLOPT_HTTPGET, 1L);
	return m_impl->perform(url);
}

void HttpRequest::setLimits(HttpLimits const& limits)
{
	m_impl->m_limits = limits;
}

void HttpRequest::setCancelFlag(std::atomic<bool> const* cancel)
{
	m_impl->m_cancel = cancel;
}

HttpLimits HttpRequest::defaultLimits()
{
	std::lock_guard<std::mutex> lock(s_limitsMutex);
	return s_limits;
}

void HttpRequest::setDefaultLimits(HttpLimits const& limits)
{
	std::lock_guard<std::mutex> lock(s_limitsMutex);
	s_limits = limits;
}

} // net
