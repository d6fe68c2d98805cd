#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{

class DeviceInfoImpl;

/** Facts about the device: system version and hardware model. Any thread. */
class DeviceInfo : public lang::Object
{
public:
	DeviceInfo();
	~DeviceInfo() override;

	/** "VERSION_ID" of /etc/os-release, else the kernel release (uname); "" when neither can be read. */
	std::string getOSVersion() const;

	/** The machine's hardware name (uname: "x86_64", "aarch64"); "" when it cannot be read. */
	std::string getModel() const;

	/** The value of VERSION_ID in os-release text (quotes removed); "" when there is none. */
	static std::string versionFromOsRelease(std::string const& text);

private:
	lang::Ptr<DeviceInfoImpl> m_impl;
};

} // pf
