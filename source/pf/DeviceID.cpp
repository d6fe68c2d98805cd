#include "DeviceID.h"
#include <util/HardwareAddress.h>
#include <util/SHA1.h>
#include <optional>

namespace pf
{

/** Reads the identifier once, when made. */
class DeviceID::Impl : public lang::Object
{
public:
	Impl() : m_id(identifierFor(address())) {}

	/** The text of the first usable interface's address; "" when there is none. */
	static std::string address()
	{
		std::string const name = util::firstEthernetInterface();
		if (name.empty())
			return "";
		std::optional<util::HardwareAddress> const address = util::hardwareAddress(name);
		return address ? util::hardwareAddressText(*address) : "";
	}

	std::string const& getDeviceID() const { return m_id; }

private:
	std::string m_id;
};

DeviceID::DeviceID() :
	m_impl(new Impl())
{
}

DeviceID::~DeviceID()
{
}

std::string DeviceID::getDeviceIDHash() const
{
	return util::SHA1::hash(m_impl->getDeviceID());
}

std::string DeviceID::identifierFor(std::string const& hardwareAddress)
{
	return hardwareAddress.empty() ? "unavailable" : hardwareAddress;
}

} // pf
