#include "TallyReportSeams.h"
#include "TallyProtocolData.h"
#include "TallySession.h"

void tallyAppendImageCacheFields(std::string& data)
{
	TallyProtocolData::appendLong(0, data);
	TallyProtocolData::appendUshort(0, data);
}

void tallyAppendDeviceIdentifiers(std::string& data)
{
	TallyProtocolData::appendUshort(3, data);
	TallyProtocolData::appendUshort(2, data);
	TallyProtocolData::appendShortData(std::string(), data);
	TallyProtocolData::appendUshort(4, data);
	TallyProtocolData::appendShortData(std::string(), data);
	TallyProtocolData::appendUshort(3, data);
	TallyProtocolData::appendString(std::string(), data);
	TallyProtocolData::appendByte(1, data);
}

void TallySession::sendSessionsToServerForEndOfSession()
{
}
