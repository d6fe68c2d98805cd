#include <pf/Launcher.h>
#include <pf/linux/LauncherImpl.h>
#include <cctype>

namespace pf
{

namespace
{

std::string percentEncode(std::string const& text)
{
	static char const hex[] = "0123456789ABCDEF";
	std::string out;
	for (unsigned char c : text)
	{
		if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '@')
			out += static_cast<char>(c);
		else
		{
			out += '%';
			out += hex[c >> 4];
			out += hex[c & 15];
		}
	}
	return out;
}

} // namespace

Launcher::Launcher() :
	m_impl(new LauncherImpl())
{
}

Launcher::~Launcher()
{
}

bool Launcher::openURL(std::string const& url)
{
	return m_impl->openURL(url);
}

bool Launcher::canOpenProgram(std::string const& url)
{
	return m_impl->canOpenProgram(url);
}

bool Launcher::sendEmail(std::string const& recipient, std::string const& subject, std::string const& body)
{
	return openURL("mailto:" + percentEncode(recipient) + "?subject=" + percentEncode(subject) + "&body=" + percentEncode(body));
}

void Launcher::reapChildren(bool wait)
{
	LauncherImpl::reapChildren(wait);
}

bool Launcher::hasScheme(std::string const& text)
{
	if (text.empty() || !isalpha(static_cast<unsigned char>(text[0])))
		return false;
	for (size_t i = 1; i < text.size(); ++i)
	{
		unsigned char c = static_cast<unsigned char>(text[i]);
		if (c == ':')
			return true;
		if (!isalnum(c) && c != '+' && c != '-' && c != '.')
			return false;
	}
	return false;
}

} // pf
