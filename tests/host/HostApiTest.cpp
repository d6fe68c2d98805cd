// The host's whole Lua API, row by row in registration order, with the area
// (api/<Area>Api.cpp) that registers each row. The host table must hold
// exactly the names of the areas built so far.
#include <support/HostFixture.h>
#include <lua.hpp>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace
{

struct Row
{
	char const* name;
	char const* area;
};

Row const s_api[] = {
	{"openBarnesAndNobleShop", "ScriptUtil"},
	{"requestExit", "ScriptUtil"},
	{"print", "ScriptUtil"},
	{"setBGColor", "SceneDrawing"},
	{"getBGColor", "SceneDrawing"},
	{"drawRubberband", "DrawPrimitive"},
	{"checkForUpdates", "ScriptUtil"},
	{"callVersionUpdater", "ScriptUtil"},
	{"captureMouse", "ScriptUtil"},
	{"isMouseCaptured", "ScriptUtil"},
	{"setFullScreenMode", "ScriptUtil"},
	{"setResolution", "ScriptUtil"},
	{"isInFullScreenMode", "ScriptUtil"},
	{"getClipboardText", "ScriptUtil"},
	{"setIsMultitouchMouseWheelSimulationEnabled", "ScriptUtil"},
	{"doesMouseClickSetsTouchCount", "ScriptUtil"},
	{"enableSmoothZooming", "ScriptUtil"},
	{"getDeviceID", "ScriptUtil"},
	{"checkMainMenuAd", "Download"},
	{"setGravityForceMultiplier", "WorldForce"},
	{"getGravityForceMultiplier", "WorldForce"},
	{"ClearSimulationTrajectory", "AimingAid"},
	{"setDeltaTimeMultiplier", "WorldForce"},
	{"getDeltaTimeMultiplier", "WorldForce"},
	{"setSensorMinimumAndMaximumForces", "WorldForce"},
	{"setSensorGravityMask", "WorldForce"},
	{"setObjectGravityCategory", "WorldForce"},
	{"GetDate", "ScriptUtil"},
	{"drawUITextNative", "DrawPrimitive"},
	{"iapBuyItem", "StoreGlue"},
	{"iapInitItemPurchase", "StoreGlue"},
	{"iapGetItemCount", "StoreGlue"},
	{"iapGetItemAt", "StoreGlue"},
	{"iapSetItemDescription", "StoreGlue"},
	{"iapRestoreItems", "StoreGlue"},
	{"iapIsAllowed", "StoreGlue"},
	{"resetTimer", "ScriptUtil"},
	{"logTallyTimerEvent", "StoreGlue"},
	{"clearShapesArray", "CompoundBody"},
	{"addBoxToCompoundList", "CompoundBody"},
	{"addPolygonToCompoundList", "CompoundBody"},
	{"addLineToCompoundList", "CompoundBody"},
	{"addCircleToCompoundList", "CompoundBody"},
	{"setCompoundShapeLinearDamping", "CompoundBody"},
	{"setCompoundShapeParameter", "CompoundBody"},
	{"finalizeCompoundObject", "CompoundBody"},
	{"native_startURLThread", "Download"},
	{"updateFlyerTrajectoryTable", "AimingAid"},
	{"populateAimingAid", "AimingAid"},
	{"setSelectedFlyerDuringSimulation", "AimingAid"},
	{"renderGravityVisualsNative", "DrawPrimitive"},
	{"createCompoundBodyFromTable", "CompoundBody"},
	{"addNotificationAfter", "StoreGlue"},
	{"removeNotification", "StoreGlue"},
	{"removeAllNotifications", "StoreGlue"},
	{"setNotificationCallback", "StoreGlue"},
	{"setWorldGravity", "WorldForce"},
	{"enableAimingAid", "AimingAid"},
	{"renderMaskedImageNative", "DrawPrimitive"},
	{"drawString3D", "DrawPrimitive"},
	{"createBox", "SceneObject"},
	{"createCircle", "SceneObject"},
	{"createPolygon", "SceneObject"},
	{"createLineShape", "SceneObject"},
	{"createJoint", "Joint"},
	{"createJoints", "Joint"},
	{"createThemeSprite", "Theme"},
	{"removeThemeSprite", "Theme"},
	{"modifyThemeSprite", "Theme"},
	{"rotateThemeSprites", "Theme"},
	{"setThemeSprite", "Theme"},
	{"setThemeOffsetY", "Theme"},
	{"destroyJoint", "Joint"},
	{"setJointParameters", "Joint"},
	{"clearVertices", "SceneObject"},
	{"addVertex", "SceneObject"},
	{"applyImpulse", "SceneObject"},
	{"applyForceNative", "SceneObject"},
	{"setPosition", "SceneObject"},
	{"setRotation", "SceneObject"},
	{"setSpriteRotation", "SceneObject"},
	{"setDecorationObjects", "SceneObject"},
	{"setPivotOffset", "SceneObject"},
	{"setScale", "SceneObject"},
	{"setVelocity", "SceneObject"},
	{"setAngularVelocity", "SceneObject"},
	{"getAngularVelocity", "SceneObject"},
	{"getVelocity", "SceneObject"},
	{"getLinearVelocity", "SceneObject"},
	{"setFixedRotation", "SceneObject"},
	{"setAngularDamping", "SceneObject"},
	{"setLinearDamping", "SceneObject"},
	{"setAsSensor", "SceneObject"},
	{"multiplyVelocity", "SceneObject"},
	{"setPhysicsSimulationScale", "WorldForce"},
	{"setPhysicsEnabled", "WorldForce"},
	{"isPhysicsEnabled", "WorldForce"},
	{"setTopLeft", "SceneDrawing"},
	{"setMaxWorldScale", "SceneDrawing"},
	{"removeObject", "SceneObject"},
	{"setEditing", "SceneDrawing"},
	{"setWorldScale", "SceneDrawing"},
	{"resetMouseWheelScale", "SceneDrawing"},
	{"drawSelectedTexturizedObject", "DrawPrimitive"},
	{"drawRect", "DrawPrimitive"},
	{"drawTexturedRect", "DrawPrimitive"},
	{"removeJointsFromObject", "Joint"},
	{"setRevoluteJointSpeed", "Joint"},
	{"removeBreakableJointsFromObject", "Joint"},
	{"linkSensor", "Joint"},
	{"setRenderState", "DrawPrimitive"},
	{"loadBlocksForEditing", "LevelFile"},
	{"loadLevel", "LevelFile"},
	{"loadPreviousLevel", "LevelFile"},
	{"saveLevel", "LevelFile"},
	{"saveLevelForReload", "LevelFile"},
	{"saveLuaFile", "LevelFile"},
	{"savePersistentLuaFile", "LevelFile"},
	{"storePersistentData", "LevelFile"},
	{"getAimingTime", "AimingAid"},
	{"clearAimingAid", "AimingAid"},
	{"createDirectory", "LevelFile"},
	{"checkDirectory", "LevelFile"},
	{"drawGameNative", "SceneDrawing"},
	{"drawBackgroundNative", "Theme"},
	{"drawLayer", "Theme"},
	{"drawParticlesNative", "Particle"},
	{"drawMenuParticlesNative", "Particle"},
	{"updateMenuParticlesNative", "Particle"},
	{"setMenuParticlesScale", "Particle"},
	{"clearParticlesNative", "Particle"},
	{"enableInGameParticlesNative", "Particle"},
	{"setSprite", "SceneObject"},
	{"setVisible", "SceneObject"},
	{"setMaterial", "SceneObject"},
	{"setTexture", "SceneObject"},
	{"setTextureScale", "SceneObject"},
	{"setTheme", "Theme"},
	{"setSleeping", "SceneObject"},
	{"setActive", "SceneObject"},
	{"drawTexturedLine2D", "DrawPrimitive"},
	{"drawLine2D", "DrawPrimitive"},
	{"drawTexturedLine2D", "DrawPrimitive"},
	{"drawRectLines", "DrawPrimitive"},
	{"drawCompoSprite", "DrawPrimitive"},
	{"throwException", "ScriptUtil"},
	{"drawForegroundNative", "SceneDrawing"},
	{"drawForeground", "Theme"},
	{"setObjectParameter", "SceneObject"},
	{"setCollisionEnabled", "SceneObject"},
	{"clipText", "DrawPrimitive"},
	{"startNewTrajectory", "AimingAid"},
	{"addToTrajectory", "AimingAid"},
	{"addPuffToTrajectory", "AimingAid"},
	{"setLevelLimits", "SceneObject"},
	{"goToTaskSwitcherLua", "ScriptUtil"},
	{"setGameOn", "ScriptUtil"},
	{"checkForLuaFile", "LevelFile"},
	{"setStartingCameraValue", "SceneDrawing"},
	{"setCameraLimits", "SceneDrawing"},
	{"initGameCenter", "GameCenter"},
	{"getLeaderboardScoresForPlayers", "GameCenter"},
	{"getLeaderboardScoresForRange", "GameCenter"},
	{"showLeaderboards", "GameCenter"},
	{"showAchievements", "GameCenter"},
	{"postHighscore", "GameCenter"},
	{"unlockAchievement", "GameCenter"},
	{"setStat", "GameCenter"},
	{"setStatFloat", "GameCenter"},
	{"activateGameOverlayToStore", "GameCenter"},
	{"showBannerAd", "StoreGlue"},
	{"hideBannerAd", "StoreGlue"},
	{"requestBannerAd", "StoreGlue"},
	{"showInterstitialAd", "StoreGlue"},
	{"requestInterstitialAd", "StoreGlue"},
	{"requestAndShowInterstitialAd", "StoreGlue"},
	{"stopAds", "StoreGlue"},
	{"showExpandableAd", "StoreGlue"},
	{"requestExpandableAd", "StoreGlue"},
	{"hideExpandableAd", "StoreGlue"},
	{"checkInstalledAppsOnline", "Download"},
	{"checkInstalledAppsOffline", "Download"},
	{"logTallyEvent", "StoreGlue"},
	{"logTallyEventWithParam", "StoreGlue"},
	{"logTallyEventWithParams", "StoreGlue"},
	{"enableiAds", "StoreGlue"},
	{"disableiAds", "StoreGlue"},
	{"requestInterstitial", "StoreGlue"},
	{"showInterstitial", "StoreGlue"},
	{"playVideo", "StoreGlue"},
	{"drawBoxNative", "DrawPrimitive"},
	{"getAngle", "SceneObject"},
	{"getIntersectingObjects", "WorldQuery"},
	{"getRayCastedObjects", "WorldQuery"},
	{"checkJointLimits", "Joint"},
	{"getWorldPoint", "WorldQuery"},
	{"getLocalPoint", "WorldQuery"},
	{"printGlobals", "ScriptUtil"},
	{"setGameParameters", "ScriptUtil"},
	{"createThemeAnimation", "Theme"},
	{"onLoadLuaFileFail", "LevelFile"},
	{"performBitwiseAnd", "ScriptUtil"},
	{"performBitwiseOr", "ScriptUtil"},
	{"getCurrentTime", "ScriptUtil"},
	{"getTimeDifference", "ScriptUtil"},
	{"getTimeDifferenceInSeconds", "ScriptUtil"},
	{"importJSONToLuaTable", "ScriptUtil"},
	{"exportLuaTableAsJSON", "ScriptUtil"},
	{"getJSONHash", "ScriptUtil"},
	{"GetJSONDiff", "ScriptUtil"},
	{"decodeBase64", "ScriptUtil"},
	{"loadLuaFileToObject", "LevelFile"},
	{"loadLuaFile", "LevelFile"},
	{"setNormalTrailSprite", "AimingAid"},
	{"setSpecialTrailSprite", "AimingAid"},
	{"setAimingAidSprite", "AimingAid"},
	{"setChannelCountLimit", "ScriptUtil"},
	{"setRecordVelocity", "WorldForce"},
	{"setRevertGravity", "WorldForce"},
	{"setRevertGravityWithMultiplier", "WorldForce"},
};

/** Areas whose rows are registered. */
std::set<std::string> const s_builtAreas = {"ScriptUtil", "SceneObject", "WorldQuery", "LevelFile", "StoreGlue", "CompoundBody", "Joint", "WorldForce", "SceneDrawing", "Theme", "Download", "Particle", "AimingAid", "GameCenter"};

/** Rows built ahead of the rest of their area. */
std::set<std::string> const s_builtRows = {"setRenderState", "drawLine2D", "drawRectLines", "drawRect", "drawTexturedRect",
	"drawSelectedTexturizedObject", "clipText", "renderMaskedImageNative", "drawTexturedLine2D", "drawCompoSprite", "drawRubberband",
	"renderGravityVisualsNative", "drawString3D", "drawUITextNative", "drawBoxNative"};

/** Rows of built areas that wait for another part of the engine. */
std::set<std::string> const s_waiting = {};

std::set<std::string> expectedNames()
{
	std::set<std::string> names;
	for (Row const& row : s_api)
	{
		if ((s_builtAreas.count(row.area) && !s_waiting.count(row.name)) || s_builtRows.count(row.name))
			names.insert(row.name);
	}
	return names;
}

class HostApi : public test::HostFixture
{
};

TEST_F(HostApi, TableHasEveryRowOnce)
{
	EXPECT_EQ(220u, std::size(s_api));
	std::set<std::string> names;
	int twice = 0;
	for (Row const& row : s_api)
	{
		if (!names.insert(row.name).second)
		{
			EXPECT_STREQ("drawTexturedLine2D", row.name);
			++twice;
		}
	}
	EXPECT_EQ(219u, names.size());
	EXPECT_EQ(1, twice);
}

TEST_F(HostApi, HostTableHoldsExactlyTheBuiltNamesAsCFunctions)
{
	host();
	lua_State* L = lua::LuaAccess::get(lua);
	lua::LuaStackRestore restore(L);
	host().pushMember("this");
	int table = lua_gettop(L);
	std::set<std::string> functions;
	lua_pushnil(L);
	while (lua_next(L, table))
	{
		if (lua_type(L, -1) == LUA_TFUNCTION)
		{
			ASSERT_EQ(LUA_TSTRING, lua_type(L, -2));
			EXPECT_TRUE(lua_iscfunction(L, -1)) << lua_tostring(L, -2);
			functions.insert(lua_tostring(L, -2));
		}
		lua_pop(L, 1);
	}
	std::set<std::string> expected = expectedNames();
	EXPECT_EQ(219u, expected.size());
	EXPECT_EQ(expected, functions);
}

} // namespace
