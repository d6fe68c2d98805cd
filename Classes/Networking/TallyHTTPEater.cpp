#include "TallyHTTPEater.h"
#include <Networking/TallyConnectionDelegate.h>
#include <TallyGuard.h>
#include <TallyLog.h>
#include <net/GlobalInit.h>
#include <net/HttpLimits.h>
#include <lang/Throwable.h>
#include <curl/curl.h>
#include <memory>

namespace
{

/** libcurl's one set-up of the process, shared with the game's downloads. @return False when it failed (logged). */
bool initializeLibrary()
{
	try
	{
		net::globalInit();
		return true;
	}
	catch (lang::Throwable const& e)
	{
		tallyLog("TallyAnalytics: %@", {e.getMessage().format()});
		return false;
	}
}

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
	static_cast<TallyConnectionDelegate*>(user)->didReceiveHeaderLine(std::string(data, size * count));
	return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* user)
{
	return static_cast<TallyConnectionDelegate*>(user)->didReceiveData(data, size * count) ? size * count : 0;
}

struct EasyDeleter
{
	void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

struct ListDeleter
{
	void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

TallyHTTPResponse failure(CURLcode code, std::string const& text)
{
	TallyError error;
	error.code = static_cast<int>(code);
	error.domain = "curl";
	error.localizedDescription = text;
	return TallyHTTPResponse(std::nullopt, 0, std::nullopt, error);
}

/** Runs one transfer into the delegate. */
void perform(TallyConnectionDelegate& delegate, std::string const& method, std::string const& url, std::optional<std::string> const& body,
             TallyHTTPEater::Fields const& headerFields, int timeoutSeconds)
{
	std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
	if (!easy)
	{
		delegate.didFailWithError(TallyError{static_cast<int>(CURLE_FAILED_INIT), "curl", curl_easy_strerror(CURLE_FAILED_INIT), ""});
		return;
	}
	CURL* e = easy.get();
	char errorText[CURL_ERROR_SIZE] = "";
	std::unique_ptr<curl_slist, ListDeleter> headers;
	auto addHeader = [&](std::string const& line) {
		curl_slist* list = curl_slist_append(headers.get(), line.c_str());
		if (!list)
			throw std::bad_alloc();
		headers.release();
		headers.reset(list);
	};
	for (auto const& [name, value] : headerFields)
		addHeader(name + ": " + value);
	// No "Expect: 100-continue" round trip for larger bodies.
	addHeader("Expect:");
	curl_easy_setopt(e, CURLOPT_URL, url.c_str());
	curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorText);
	curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
	curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
	curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
	curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
	// A redirected POST stays a POST with its body (libcurl would send a
	// GET without it after 301, 302 and 303, and that GET's answer would
	// count for a report the server never got).
	curl_easy_setopt(e, CURLOPT_POSTREDIR, static_cast<long>(CURL_REDIR_POST_ALL));
	net::HttpLimits const limits;
	curl_easy_setopt(e, CURLOPT_MAXREDIRS, limits.maxRedirects);
	curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
	curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes);
	curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
	curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(TallyConnectionDelegate::MAX_BODY_SIZE));
	curl_easy_setopt(e, CURLOPT_TIMEOUT, static_cast<long>(timeoutSeconds < 1 ? 1 : timeoutSeconds));
	curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
	curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
	curl_easy_setopt(e, CURLOPT_HEADERDATA, &delegate);
	curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
	curl_easy_setopt(e, CURLOPT_WRITEDATA, &delegate);
	if (method == "GET")
		curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
	else
	{
		if (method != "POST")
			curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, method.c_str());
		if (body || method == "POST")
		{
			std::string const& bytes = body ? *body : std::string();
			curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
			curl_easy_setopt(e, CURLOPT_COPYPOSTFIELDS, bytes.data());
		}
	}
	CURLcode code = curl_easy_perform(e);
	if (code == CURLE_OK)
		delegate.connectionDidFinishLoading();
	else
	{
		std::string text = errorText[0] ? errorText : curl_easy_strerror(code);
		delegate.didFailWithError(TallyError{static_cast<int>(code), "curl", text, curl_easy_strerror(code)});
	}
}

} // namespace

TallyHTTPResponse TallyHTTPEater::get(std::string const& address)
{
	return get(address, Fields());
}

TallyHTTPResponse TallyHTTPEater::get(std::string const& address, Fields const& headerFields)
{
	return *sendMethod("GET", address, std::nullopt, headerFields, 20, false);
}

TallyHTTPResponse TallyHTTPEater::post(std::string const& address, std::string const& body)
{
	return post(address, body, Fields());
}

TallyHTTPResponse TallyHTTPEater::post(std::string const& address, std::string const& body, Fields const& headerFields)
{
	return *sendMethod("POST", address, body, headerFields, 20, false);
}

std::optional<TallyHTTPResponse> TallyHTTPEater::sendMethod(std::string const& method, std::string const& url, std::optional<std::string> const& body,
                                                            Fields const& headerFields, int timeoutSeconds, bool useWebView)
{
	TallyHTTPResponse response = failure(CURLE_URL_MALFORMAT, "not a valid address");
	tallyGuard([&] {
		tallyLog("TallyAnalytics: %@: %@", {method, url});
		if (!initializeLibrary())
		{
			response = failure(CURLE_FAILED_INIT, "the HTTP library could not be set up");
			return;
		}
		if (!isValidURL(url))
			return;
		TallyConnectionDelegate delegate;
		perform(delegate, method, url, body, headerFields, timeoutSeconds);
		if (delegate.bodyTooLarge() || (delegate.error() && delegate.error()->code == static_cast<int>(CURLE_FILESIZE_EXCEEDED)))
			response = failure(CURLE_WRITE_ERROR, "the answer's body is larger than 16 MiB");
		else if (delegate.hasResponse())
			response = TallyHTTPResponse(delegate.body(), delegate.statusCode(), delegate.headers(), delegate.error());
		else if (delegate.error())
			response = TallyHTTPResponse(std::nullopt, 0, std::nullopt, delegate.error());
		else
			response = failure(CURLE_WEIRD_SERVER_REPLY, "the server sent no complete answer");
		tallyLog("TallyAnalytics: HTTP Response[%@]", {response.description()});
	});
	if (useWebView)
		return std::nullopt;
	return response;
}

std::string TallyHTTPEater::queryDictionaryToString(Fields const& query)
{
	std::string text;
	for (auto const& [key, value] : query)
	{
		if (!text.empty())
			text += "&";
		text += key + "=" + value;
	}
	return text;
}

std::optional<std::string> TallyHTTPEater::urlWithProtocol(std::optional<std::string> const& protocol, std::optional<std::string> const& host, int port,
                                                           std::optional<std::string> const& path,
                                                           std::optional<std::variant<Fields, std::string>> const& query)
{
	std::string text = (protocol ? *protocol : std::string("http")) + "://";
	if (host)
		text += *host;
	if (port != 0 && port != 80)
		text += ":" + std::to_string(port);
	if (path)
		text += "/" + *path;
	if (query)
	{
		if (Fields const* fields = std::get_if<Fields>(&*query))
			text += "?" + queryDictionaryToString(*fields);
		else
			text += "?" + std::get<std::string>(*query);
	}
	if (!isValidURL(text))
		return std::nullopt;
	return text;
}

bool TallyHTTPEater::isValidURL(std::string const& text)
{
	if (!initializeLibrary())
		return false;
	CURLU* parsed = curl_url();
	if (!parsed)
		return false;
	bool valid = curl_url_set(parsed, CURLUPART_URL, text.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK;
	curl_url_cleanup(parsed);
	return valid;
}
