#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{

/**
 * The device identifier: the hardware address of the first usable
 * network interface (util::firstEthernetInterface), or "unavailable".
 * Any thread.
 */
class DeviceID : public lang::Object
{
public:
	class Impl;

	DeviceID();
	~DeviceID() override;

	/** The SHA-1 digest (40 upper-case hexadecimal characters) of the identifier text's bytes. */
	std::string getDeviceIDHash() const;

	/** The identifier text for a hardware address text: the address, or "unavailable" when it is empty. */
	static std::string identifierFor(std::string const& hardwareAddress);

private:
	lang::Ptr<Impl> m_impl;
};

} // pf
