#include "TallyConnectionDelegate.h"

namespace
{

std::string trimmed(std::string const& text)
{
	size_t begin = text.find_first_not_of(" \t\r\n");
	if (begin == std::string::npos)
		return "";
	size_t end = text.find_last_not_of(" \t\r\n");
	return text.substr(begin, end - begin + 1);
}

} // namespace

void TallyConnectionDelegate::didReceiveHeaderLine(std::string const& line)
{
	if (line.rfind("HTTP/", 0) == 0)
	{
		// "HTTP/1.1 200 OK": the code is the second word.
		m_blockHeaders.clear();
		m_blockStatus = 0;
		size_t space = line.find(' ');
		if (space != std::string::npos)
		{
			int code = 0;
			size_t i = space + 1;
			for (int digits = 0; i < line.size() && digits < 3 && line[i] >= '0' && line[i] <= '9'; ++i, ++digits)
				code = code * 10 + (line[i] - '0');
			m_blockStatus = code >= 100 ? code : 0;
		}
		return;
	}
	if (trimmed(line).empty())
	{
		bool informational = m_blockStatus < 200;
		bool redirect = m_blockStatus >= 300 && m_blockStatus <= 399 && m_blockHeaders.count("location");
		if (!informational && !redirect)
		{
			m_statusCode = m_blockStatus;
			m_headers = m_blockHeaders;
		}
		return;
	}
	size_t colon = line.find(':');
	if (colon == std::string::npos || colon == 0)
		return;
	std::string name = trimmed(line.substr(0, colon));
	for (char& c : name)
		if (c >= 'A' && c <= 'Z')
			c = static_cast<char>(c - 'A' + 'a');
	std::string value = trimmed(line.substr(colon + 1));
	auto found = m_blockHeaders.find(name);
	if (found == m_blockHeaders.end())
		m_blockHeaders.emplace(name, value);
	else
		found->second += ", " + value;
}

bool TallyConnectionDelegate::didReceiveData(char const* data, size_t length)
{
	if (length > MAX_BODY_SIZE - m_body.size())
	{
		m_bodyTooLarge = true;
		return false;
	}
	m_body.append(data, length);
	return true;
}

void TallyConnectionDelegate::connectionDidFinishLoading()
{
	m_done = true;
}

void TallyConnectionDelegate::didFailWithError(TallyError const& error)
{
	m_error = error;
	m_done = true;
}
