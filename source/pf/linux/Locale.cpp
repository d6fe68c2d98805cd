#include <pf/Locale.h>
#include <cctype>
#include <cstdlib>

namespace pf
{

/** Reads the preferred languages from the environment. */
class LocaleImpl : public lang::Object
{
public:
	static std::string variable(char const* name)
	{
		char const* value = getenv(name);
		return value ? value : "";
	}

	std::vector<std::string> languages() const
	{
		std::string list = variable("LANGUAGE");
		if (list.empty())
		{
			for (char const* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
			{
				list = variable(name);
				if (!list.empty())
					break;
			}
		}
		std::vector<std::string> result;
		size_t start = 0;
		while (start <= list.size())
		{
			size_t end = list.find(':', start);
			if (end == std::string::npos)
				end = list.size();
			std::string code = list.substr(start, end - start);
			code = code.substr(0, code.find_first_of(".@"));
			if (!code.empty() && code != "C" && code != "POSIX")
				result.push_back(Locale::convertLanguage(code));
			start = end + 1;
		}
		return result;
	}
};

Locale::Locale() :
	m_impl(new LocaleImpl())
{
}

Locale::~Locale()
{
}

std::vector<std::string> Locale::getPreferedLanguages()
{
	return m_impl->languages();
}

std::string Locale::convertLanguage(std::string const& code)
{
	std::string result = code;
	if (result.size() == 2)
	{
		std::string lower, upper;
		for (char c : result)
		{
			lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
			upper += static_cast<char>(toupper(static_cast<unsigned char>(c)));
		}
		return lower + "_" + upper;
	}
	for (char& c : result)
	{
		if (c == '-')
			c = '_';
	}
	if (result == "zh_Hans")
		return "zh_CN";
	if (result == "zh_Hant")
		return "zh_TW";
	return result;
}

} // pf
