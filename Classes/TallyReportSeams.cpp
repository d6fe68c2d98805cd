#include "TallyReportSeams.h"
#include "TallyDeviceIds.h"
#include "TallyGuard.h"
#include "TallyImageCache.h"
#include "TallyProtocolData.h"

void tallyAppendImageCacheFields(std::string& data)
{
	lang::Ptr<TallyImageCache> cache = TallyImageCache::instance();
	if (!cache)
	{
		TallyProtocolData::appendLong(0, data);
		TallyProtocolData::appendUshort(0, data);
		return;
	}
	TallyProtocolData::appendLong(cache->cacheUpdateTimestamp(), data);
	std::vector<int64_t> ids = cache->storedIds();
	if (ids.size() > 65535)
		ids.resize(65535);
	TallyProtocolData::appendUshort(static_cast<uint16_t>(ids.size()), data);
	for (int64_t id : ids)
	{
		TallyProtocolData::appendByte(1, data);
		TallyProtocolData::appendLong(id, data);
	}
}

void tallyAppendDeviceIdentifiers(std::string& data)
{
	// Each identifier on its own: a failure leaves that one empty.
	std::string macBased, mac, generated;
	uint8_t status = 1;
	tallyGuard([&] { macBased = TallyDeviceIds::getMACBasedUID(); });
	tallyGuard([&] { mac = TallyDeviceIds::getMACUID(); });
	tallyGuard([&] { generated = TallyDeviceIds::getCFUUIDBasedUIDAndStatus(status); });
	TallyProtocolData::appendUshort(3, data);
	TallyProtocolData::appendUshort(2, data);
	TallyProtocolData::appendShortData(macBased, data);
	TallyProtocolData::appendUshort(4, data);
	TallyProtocolData::appendShortData(mac, data);
	TallyProtocolData::appendUshort(3, data);
	TallyProtocolData::appendString(generated, data);
	TallyProtocolData::appendByte(status, data);
}

