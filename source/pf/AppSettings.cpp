#include "AppSettings.h"
#include "UserDefaults.h"

namespace pf
{

AppSettings::AppSettings()
{
	UserDefaults::standard().synchronise();
}

AppSettings::~AppSettings()
{
}

bool AppSettings::isBoolean(std::string const& key)
{
	UserDefaults::standard().synchronise();
	return UserDefaults::standard().hasKey(key);
}

bool AppSettings::getBoolean(std::string const& key)
{
	UserDefaults::standard().synchronise();
	return UserDefaults::standard().getBoolean(key);
}

} // pf
