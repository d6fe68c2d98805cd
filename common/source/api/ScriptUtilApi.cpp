// The scripts' small library: JSON, Base64, dates, bitwise operations,
// printing, and the desktop and operating-system functions.
#include <api/ScriptUtilApi.h>
#include <host/Tally.h>
#include <host/ScriptUtilities.h>
#include <lua/LuaObject.h>

namespace host
{

void registerScriptUtilApi(lua::LuaObject& host, ScriptUtilities& utilities, Tally& tally)
{
	host.registerMethod("openBarnesAndNobleShop", &utilities, &ScriptUtilities::openBarnesAndNobleShop);
	host.registerMethod("setChannelCountLimit", &utilities, &ScriptUtilities::setChannelCountLimit);
	host.registerMethod("requestExit", &utilities, &ScriptUtilities::requestExit);
	host.registerMethod("print", &utilities, &ScriptUtilities::print);
	host.registerMethod("checkForUpdates", &utilities, &ScriptUtilities::checkForUpdates);
	host.registerMethod("callVersionUpdater", &utilities, &ScriptUtilities::callVersionUpdater);
	host.registerMethod("captureMouse", &utilities, &ScriptUtilities::captureMouse);
	host.registerMethod("isMouseCaptured", &utilities, &ScriptUtilities::isMouseCaptured);
	host.registerMethod("setFullScreenMode", &utilities, &ScriptUtilities::setFullScreenMode);
	host.registerMethod("setResolution", &utilities, &ScriptUtilities::setResolution);
	host.registerMethod("isInFullScreenMode", &utilities, &ScriptUtilities::isInFullScreenMode);
	host.registerMethod("getClipboardText", &utilities, &ScriptUtilities::getClipboardText);
	host.registerMethod("setIsMultitouchMouseWheelSimulationEnabled", &utilities, &ScriptUtilities::setIsMultitouchMouseWheelSimulationEnabled);
	host.registerMethod("doesMouseClickSetsTouchCount", &utilities, &ScriptUtilities::doesMouseClickSetsTouchCount);
	host.registerMethod("enableSmoothZooming", &utilities, &ScriptUtilities::enableSmoothZooming);
	host.registerMethod("getDeviceID", &utilities, &ScriptUtilities::getDeviceID);
	host.registerMethod("GetDate", &utilities, &ScriptUtilities::getDate);
	host.registerMethod("resetTimer", &tally, &Tally::resetTimer);
	host.registerMethod("throwException", &utilities, &ScriptUtilities::throwException);
	host.registerMethod("goToTaskSwitcherLua", &utilities, &ScriptUtilities::goToTaskSwitcher);
	host.registerMethod("setGameOn", &utilities, &ScriptUtilities::setGameOn);
	host.registerMethod("printGlobals", &utilities, &ScriptUtilities::printGlobals);
	host.registerLuaMethod("setGameParameters", &utilities, &ScriptUtilities::setGameParameters);
	host.registerLuaMethod("performBitwiseAnd", &utilities, &ScriptUtilities::performBitwiseAnd);
	host.registerLuaMethod("performBitwiseOr", &utilities, &ScriptUtilities::performBitwiseOr);
	host.registerMethod("getCurrentTime", &utilities, &ScriptUtilities::getCurrentTime);
	host.registerLuaMethod("getTimeDifference", &utilities, &ScriptUtilities::getTimeDifference);
	host.registerLuaMethod("getTimeDifferenceInSeconds", &utilities, &ScriptUtilities::getTimeDifferenceInSeconds);
	host.registerMethod("importJSONToLuaTable", &utilities, &ScriptUtilities::importJSONToLuaTable);
	host.registerMethod("exportLuaTableAsJSON", &utilities, &ScriptUtilities::exportLuaTableAsJSON);
	host.registerMethod("getJSONHash", &utilities, &ScriptUtilities::getJSONHash);
	host.registerMethod("GetJSONDiff", &utilities, &ScriptUtilities::GetJSONDiff);
	host.registerMethod("decodeBase64", &utilities, &ScriptUtilities::decodeBase64);
}

} // namespace host
