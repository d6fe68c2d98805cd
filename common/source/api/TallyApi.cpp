// Analytics events for the scripts, logged through the analytics wrapper.
#include <api/TallyApi.h>
#include <host/Tally.h>
#include <lua/LuaObject.h>

namespace host
{

void registerTallyApi(lua::LuaObject& host, Tally& tally)
{
	host.registerMethod("logTallyEvent", &tally, &Tally::logTallyEvent);
	host.registerMethod("logTallyEventWithParam", &tally, &Tally::logTallyEventWithParam);
	host.registerMethod("logTallyEventWithParams", &tally, &Tally::logTallyEventWithParams);
	host.registerMethod("logTallyTimerEvent", &tally, &Tally::logTallyTimerEvent);
}

} // namespace host
