#pragma once

#include <TallyError.h>
#include <cstddef>
#include <map>
#include <optional>
#include <string>

/**
 * Collects one transfer's answer as the HTTP library delivers it on the
 * sending thread: the status and headers of the response (the last complete
 * header block that is neither informational, 1xx, nor a redirect being
 * followed, 3xx with a "Location"), the body, and the error that ended the
 * transfer. A transfer that fails before such a response has status 0, like
 * one that never got an answer. A body beyond MAX_BODY_SIZE ends the
 * transfer (bodyTooLarge()). One object belongs to one thread.
 */
class TallyConnectionDelegate
{
public:
	/** The largest body kept: 16 MiB. */
	static constexpr size_t MAX_BODY_SIZE = 16u << 20;

	TallyConnectionDelegate() {}

	/** A header line: a status line starts a header block, an empty line ends it. */
	void didReceiveHeaderLine(std::string const& line);

	/** Appends body bytes. @return False when the body would pass MAX_BODY_SIZE (the transfer must stop). */
	bool didReceiveData(char const* data, size_t length);

	/** The transfer ended without error. */
	void connectionDidFinishLoading();

	/** The transfer failed; what arrived before stays. */
	void didFailWithError(TallyError const& error);

	bool isDone() const { return m_done; }
	/** True when a response arrived (its header block is complete). */
	bool hasResponse() const { return m_statusCode != 0; }
	int statusCode() const { return m_statusCode; }
	std::map<std::string, std::string> const& headers() const { return m_headers; }
	std::string const& body() const { return m_body; }
	std::optional<TallyError> const& error() const { return m_error; }
	/** Whether the body passed its limit. */
	bool bodyTooLarge() const { return m_bodyTooLarge; }

private:
	std::string m_body;
	int m_statusCode = 0;
	std::map<std::string, std::string> m_headers;
	int m_blockStatus = 0;
	std::map<std::string, std::string> m_blockHeaders;
	std::optional<TallyError> m_error;
	bool m_done = false;
	bool m_bodyTooLarge = false;
};
