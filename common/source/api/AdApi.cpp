// Advertisements: the scripts call these, and on this platform there are none.
#include <GameLua.h>
#include <lang/Debug.h>

void GameLua::registerAdApi()
{
	for (char const* name : {"showBannerAd", "hideBannerAd", "showInterstitialAd", "requestInterstitialAd",
			 "requestAndShowInterstitialAd", "stopAds", "showExpandableAd", "requestExpandableAd", "hideExpandableAd",
			 "enableiAds", "disableiAds", "requestInterstitial", "showInterstitial"})
		registerMethod(name, this, &GameLua::noAd);
	registerMethod("requestBannerAd", this, &GameLua::requestBannerAd);
}

void GameLua::requestBannerAd()
{
	lang::Debug::debug("GameLua::requestBannerAd()");
}
