#pragma once

#include <net/HttpLimits.h>
#include <net/HttpResponse.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <atomic>
#include <string>

namespace net
{

/**
 * Blocking HTTP GET requests over one libcurl easy handle. Redirects are
 * followed (at most HttpLimits::maxRedirects), cookies received are kept
 * for the handle's later requests and redirects, and only http and https
 * URLs are accepted, redirect targets included. An HTTP error status is
 * not a failure: the response keeps it with the body sent. Every request
 * ends within its limits (HttpLimits): the whole run, the low speed and the
 * body size, which is checked against Content-Length before the body is
 * read; the body is held once, in the response.
 *
 * One request object serves one thread at a time; different objects may
 * run on different threads at once.
 */
class HttpRequest : public lang::Object
{
public:
	class Impl;

	/**
	 * Makes the handle with the process-wide limits (defaultLimits()).
	 * @exception HttpRequestException "Creating HttpRequest failed".
	 * @exception lang::Exception libcurl's global initialisation failed.
	 */
	HttpRequest();
	~HttpRequest() override;

	/**
	 * Performs a GET of url and returns the whole answer.
	 * @exception HttpRequestException libcurl's text for a transport failure
	 *            (refused, time-out of the whole run, stall below the low
	 *            speed, redirect limit, bad answer, scheme not allowed);
	 *            "Body of {0} exceeds {1} bytes" over the body limit, announced
	 *            or received; "Request for {0} was cancelled" once cancel
	 *            is set.
	 */
	HttpResponse get(std::string const& url);

	/** Replaces this request's limits (for its next get). */
	void setLimits(HttpLimits const& limits);

	/**
	 * A flag that, once set (from any thread), ends a running or later get
	 * with an HttpRequestException. Not owned; must outlive the get; null
	 * for none.
	 */
	void setCancelFlag(std::atomic<bool> const* cancel);

	/** The limits new requests start with. Thread-safe. */
	static HttpLimits defaultLimits();

	/** Sets the limits new requests start with (tests shorten them). Thread-safe. */
	static void setDefaultLimits(HttpLimits const& limits);

private:
	lang::Ptr<Impl> m_impl;

	HttpRequest(HttpRequest const&) = delete;
	HttpRequest& operator=(HttpRequest const&) = delete;
};

} // net
