#pragma once

#include <TallyError.h>
#include <map>
#include <optional>
#include <string>

/**
 * One HTTP answer as the agent sees it: status (0 when no answer arrived),
 * body, headers (names in lower case) and the transfer's error (code and text of the HTTP
 * library, domain "curl"). Success is a status from 200 to 399, whatever
 * the error says. A plain value; one object belongs to one thread.
 */
class TallyHTTPResponse
{
public:
	using Headers = std::map<std::string, std::string>;

	/** No answer: status 0, nothing else. */
	TallyHTTPResponse() {}

	/** Keeps the four values. */
	TallyHTTPResponse(std::optional<std::string> body, int statusCode, std::optional<Headers> headers, std::optional<TallyError> error);

	std::optional<std::string> const& body() const { return m_body; }
	int statusCode() const { return m_statusCode; }
	std::optional<TallyError> const& error() const { return m_error; }
	std::optional<Headers> const& headers() const { return m_headers; }

	/** 200 <= status <= 399. */
	bool isSuccess() const;
	/** Not isSuccess(). */
	bool isError() const;

	/** "status:%d error:%@ body:%@": the error's description ("(null)" without) and the body as text. */
	std::string description() const;

	/**
	 * Writes the answer to filePath() of the current second, replacing a
	 * file of the same second. Never throws; a failure is ignored.
	 */
	void saveToDisk() const;

	/**
	 * Reads an answer written by saveToDisk() from a file:// address or a
	 * path. A missing or damaged file (debug line naming it) gives status 0;
	 * a missing "statusCode" gives status 0 with the rest kept. Never throws.
	 */
	static TallyHTTPResponse readFromURL(std::string const& address);

	/** "<agent folder>/tallyResponse<number>" (TallyFilePaths::filePathDirectory). */
	static std::string filePath(int64_t number);

private:
	std::optional<std::string> m_body;
	int m_statusCode = 0;
	std::optional<TallyError> m_error;
	std::optional<Headers> m_headers;
};
