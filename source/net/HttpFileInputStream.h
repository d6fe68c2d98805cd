#pragma once

#include <io/ByteArrayInputStream.h>
#include <atomic>
#include <string>

namespace net
{

/**
 * The body of a GET of a URL as an input stream. The whole request runs in
 * the constructor (blocking); the stream then holds the body (taken over
 * from the response, not copied) and the response's status, which may be
 * an HTTP error status with its error page as body.
 */
class HttpFileInputStream : public io::InputStream
{
public:
	/**
	 * Downloads url with a new HttpRequest (see HttpRequest::get), which
	 * is gone when the constructor returns.
	 * @param cancel Optional flag that aborts the download once set (not owned).
	 * @exception HttpRequestException The request's failure.
	 */
	explicit HttpFileInputStream(std::string const& url, std::atomic<bool> const* cancel = nullptr);
	~HttpFileInputStream() override;

	/** Reading, skipping and seeking over the body (io::ByteArrayInputStream). */
	int read(void* data, int size) override;
	int skip(int n) override;
	bool seek(int offset, SeekMode mode) override;
	int available() const override;

	/** The URL. */
	std::string toString() const override;

	/** The HTTP response code. */
	int status() const { return m_status; }

private:
	io::ByteArrayInputStream m_body;
	std::string m_url;
	int m_status;
};

} // net
