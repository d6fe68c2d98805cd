#pragma once

#include <string>
#include <vector>

namespace net
{

/** The answer to one request. */
struct HttpResponse
{
	/** The HTTP response code (0 before an answer). */
	int status = 0;
	/** The received bytes. */
	std::string body;
	/** The last URL after redirects. */
	std::string effectiveUrl;
	/** Each received header line as delivered, line end included. */
	std::vector<std::string> headers;
	/** The cookies known to the request, one line each in libcurl's cookie-file format. */
	std::vector<std::string> cookies;
};

} // net
