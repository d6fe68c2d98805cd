// Advertisements: the scripts call these, and on this platform there are none.
#include <api/AdApi.h>
#include <host/ScriptUtilities.h>
#include <lua/LuaObject.h>

namespace host
{

void registerAdApi(lua::LuaObject& host, ScriptUtilities& utilities)
{
	for (char const* name : {"showBannerAd", "hideBannerAd", "showInterstitialAd", "requestInterstitialAd",
			 "requestAndShowInterstitialAd", "stopAds", "showExpandableAd", "requestExpandableAd", "hideExpandableAd",
			 "enableiAds", "disableiAds", "requestInterstitial", "showInterstitial"})
		host.registerMethod(name, &utilities, &ScriptUtilities::noAd);
	host.registerMethod("requestBannerAd", &utilities, &ScriptUtilities::requestBannerAd);
}

} // namespace host
