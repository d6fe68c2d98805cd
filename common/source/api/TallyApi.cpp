// Analytics events for the scripts, logged through the analytics wrapper.
#include <api/TallyApi.h>
#include <host/HostTally.h>
#include <lua/LuaObject.h>

void registerTallyApi(lua::LuaObject& host, HostTally& tally)
{
	host.registerMethod("logTallyEvent", &tally, &HostTally::logTallyEvent);
	host.registerMethod("logTallyEventWithParam", &tally, &HostTally::logTallyEventWithParam);
	host.registerMethod("logTallyEventWithParams", &tally, &HostTally::logTallyEventWithParams);
	host.registerMethod("logTallyTimerEvent", &tally, &HostTally::logTallyTimerEvent);
}
