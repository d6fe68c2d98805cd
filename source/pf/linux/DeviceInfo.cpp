#include <pf/DeviceInfo.h>
#include <sys/utsname.h>
#include <fstream>
#include <sstream>

namespace pf
{

/** Reads the system's facts on request. */
class DeviceInfoImpl : public lang::Object
{
public:
	std::string osVersion() const
	{
		std::ifstream in("/etc/os-release");
		if (in)
		{
			std::stringstream text;
			text << in.rdbuf();
			std::string const version = DeviceInfo::versionFromOsRelease(text.str());
			if (!version.empty())
				return version;
		}
		struct utsname names;
		return uname(&names) == 0 ? names.release : "";
	}

	std::string model() const
	{
		struct utsname names;
		return uname(&names) == 0 ? names.machine : "";
	}
};

DeviceInfo::DeviceInfo() :
	m_impl(new DeviceInfoImpl())
{
}

DeviceInfo::~DeviceInfo()
{
}

std::string DeviceInfo::getOSVersion() const
{
	return m_impl->osVersion();
}

std::string DeviceInfo::getModel() const
{
	return m_impl->model();
}

std::string DeviceInfo::versionFromOsRelease(std::string const& text)
{
	std::istringstream lines(text);
	std::string line;
	while (std::getline(lines, line))
	{
		if (line.rfind("VERSION_ID=", 0) != 0)
			continue;
		std::string value = line.substr(11);
		if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
			value = value.substr(1, value.size() - 2);
		return value;
	}
	return "";
}

} // pf
