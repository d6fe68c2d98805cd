#include "HttpFileInputStream.h"
#include "HttpRequest.h"
#include <utility>

namespace net
{

HttpFileInputStream::HttpFileInputStream(std::string const& url, std::atomic<bool> const* cancel) :
	io::InputStream(lang::Ptr<io::InputStream>()),
	m_url(url),
	m_status(0)
{
	HttpResponse response;
	{
		lang::Ptr<HttpRequest> request(new HttpRequest);
		request->setCancelFlag(cancel);
		response = request->get(url);
	}
	m_body.adopt(std::move(response.body));
	m_status = response.status;
}

HttpFileInputStream::~HttpFileInputStream() {}

int HttpFileInputStream::read(void* data, int size)
{
	return m_body.read(data, size);
}

int HttpFileInputStream::skip(int n)
{
	return m_body.skip(n);
}

bool HttpFileInputStream::seek(int offset, SeekMode mode)
{
	return m_body.seek(offset, mode);
}

int HttpFileInputStream::available() const
{
	return m_body.available();
}

std::string HttpFileInputStream::toString() const
{
	return m_url;
}

} // net
