#include "TallyHTTPResponse.h"
#include <TallyArchiver.h>
#include <TallyFilePaths.h>
#include <TallyGuard.h>
#include <TallyLog.h>
#include <TallyStorage.h>
#include <TallyUnarchiver.h>
#include <TallyUtil.h>
#include <climits>

TallyHTTPResponse::TallyHTTPResponse(std::optional<std::string> body, int statusCode, std::optional<Headers> headers,
                                     std::optional<TallyError> error) :
	m_body(std::move(body)), m_statusCode(statusCode), m_error(std::move(error)), m_headers(std::move(headers))
{
}

bool TallyHTTPResponse::isSuccess() const
{
	return m_statusCode >= 200 && m_statusCode <= 399;
}

bool TallyHTTPResponse::isError() const
{
	return !isSuccess();
}

std::string TallyHTTPResponse::description() const
{
	return tallyFormat("status:%d error:%@ body:%@",
	                   {m_statusCode, m_error ? m_error->localizedDescription : std::string("(null)"), m_body ? *m_body : std::string("(null)")});
}

std::string TallyHTTPResponse::filePath(int64_t number)
{
	return TallyFilePaths::filePathDirectory() + "/tallyResponse" + std::to_string(number);
}

void TallyHTTPResponse::saveToDisk() const
{
	tallyGuard([&] {
		TallyArchiver coder;
		coder.encodeInteger("statusCode", m_statusCode);
		if (m_body)
			coder.encodeData("body", *m_body);
		coder.encodeStringMap("headers", m_headers);
		TallyStorage::write(filePath(TallyUtil::now() / 1000000), coder.text());
	});
}

TallyHTTPResponse TallyHTTPResponse::readFromURL(std::string const& address)
{
	TallyHTTPResponse response;
	tallyGuard([&] {
		std::string path = address.rfind("file://", 0) == 0 ? address.substr(7) : address;
		std::optional<std::string> text = TallyStorage::read(path);
		if (!text)
		{
			tallyLog("TallyAnalytics: saved response [%@] cannot be read", {address});
			return;
		}
		try
		{
			TallyUnarchiver coder = TallyUnarchiver::parse(*text);
			response.m_statusCode = static_cast<int>(coder.decodeInteger("statusCode", INT_MIN, INT_MAX));
			response.m_body = coder.decodeData("body");
			response.m_headers = coder.decodeStringMap("headers");
		}
		catch (TallyArchiveError const& e)
		{
			response = TallyHTTPResponse();
			tallyLog("TallyAnalytics: saved response [%@] is not readable: %@", {address, e.what});
		}
	});
	return response;
}
