#pragma once

#include <Networking/TallyHTTPResponse.h>
#include <map>
#include <optional>
#include <string>
#include <variant>

/**
 * The agent's HTTP requests: one request at a time, sent synchronously on
 * the calling thread (the agent's send threads). Only http and https, also
 * for redirects (followed, at most 10; a POST stays a POST with its body,
 * whatever the redirect's status); no cookies, nothing cached, TLS
 * verified; a body over 16 MiB fails, one announced larger before it is
 * read. Each request has the connect and low-speed limits of
 * net::HttpLimits besides its own time-out. libcurl's set-up is the one of
 * the process (net::globalInit). Class operations only; thread-safe (each
 * call has its own transfer).
 */
class TallyHTTPEater
{
public:
	using Fields = std::map<std::string, std::string>;

	/** get(address, {}). */
	static TallyHTTPResponse get(std::string const& address);

	/** sendMethod("GET", address, none, fields, 20, false). */
	static TallyHTTPResponse get(std::string const& address, Fields const& headerFields);

	/** post(address, body, {}). */
	static TallyHTTPResponse post(std::string const& address, std::string const& body);

	/** sendMethod("POST", address, body, fields, 20, false). */
	static TallyHTTPResponse post(std::string const& address, std::string const& body, Fields const& headerFields);

	/**
	 * Sends one request and waits for its answer, at most timeoutSeconds
	 * (at least 1) in all. The answer's status and headers are those of the
	 * last response; a failed transfer keeps the status that arrived (0 when
	 * none) and carries the error; an address that is not a valid http or
	 * https URL gives status 0 with an error. With useWebView the request is
	 * sent the same way, its answer dropped and none returned. Never throws.
	 */
	static std::optional<TallyHTTPResponse> sendMethod(std::string const& method, std::string const& url, std::optional<std::string> const& body,
	                                                   Fields const& headerFields, int timeoutSeconds, bool useWebView);

	/** "key=value" pieces joined with "&", in the map's order; nothing escaped. */
	static std::string queryDictionaryToString(Fields const& query);

	/**
	 * "<protocol>://<host>[:<port>][/<path>][?<query>]": no protocol gives
	 * http, port 0 and 80 are left out. None when the text is not a valid URL.
	 */
	static std::optional<std::string> urlWithProtocol(std::optional<std::string> const& protocol, std::optional<std::string> const& host, int port,
	                                                  std::optional<std::string> const& path,
	                                                  std::optional<std::variant<Fields, std::string>> const& query);

	/** Whether the text is a valid absolute URL (the HTTP library's parser). */
	static bool isValidURL(std::string const& text);
};
