#pragma once

#include <host/ObjectType.h>
#include <box2d/b2_math.h>
#include <game/CompoSprite.h>
#include <game/Sprite.h>
#include <lang/Ptr.h>
#include <lua/LuaTable.h>
#include <string>
#include <vector>

class b2Body;

namespace gr
{
class Image;
}

namespace host
{

/** Decoration settings of an object (setDecorationObjects); owned by the object. */
struct DecorationData
{
	std::string sprite;
	float angleIncrement = 0.f;
	int amount = 0;
	float scale = 0.f;
	/** State of the drawing. */
	float value1 = 0.f;
	float value2 = 0.f;
	float value3 = 0.f;
	float value4 = 0.f;
};

/**
 * One named scene object: its body, its Lua description table (world[name])
 * and what the frame loop, contacts and drawing keep about it. Owned by the
 * scene objects' registry; the body's user data (through the physics
 * layer) and every fixture's user data point at it.
 */
struct RenderObjectData
{
	/** Pose after a physics step. */
	struct Snapshot
	{
		float x = 0.f;
		float y = 0.f;
		float angle = 0.f;
	};

	explicit RenderObjectData(lua::LuaTable const& table) : luaTable(table) {}
	~RenderObjectData() { delete decoration; }

	/** Poses after the last two steps (the host's current snapshot slot is the newer). */
	Snapshot snapshot[2];
	/** 0 none, 1 wood, 2 rock, 3 light, 4 propeller, 5 immovable. */
	int material = 0;
	b2Vec2 pendingVelocity = b2Vec2_zero;
	lua::LuaTable luaTable;
	/** Sensor objects whose area the object is inside. */
	std::vector<RenderObjectData*> sensors;
	/** Per part of a compound: its plain sprite and its composite sprite (each held while the object lives), or null. */
	std::vector<lang::Ptr<game::Sprite>> partSprites;
	std::vector<lang::Ptr<game::CompoSprite>> partCompoSprites;
	std::vector<b2Vec2> partOffsets;
	std::vector<float> partAngles;
	std::vector<std::string> partNames;
	std::string name;
	std::string spriteName;
	/** The sprite names a look-up for this object did not find, each reported once. */
	std::vector<std::string> missingSprites;
	std::string textureName;
	/** The composite sprite when isCompoSprite (held while the object lives). */
	lang::Ptr<game::CompoSprite> compoSprite;
	/** The texture sheet's image (setTexture), held while the object keeps it. */
	lang::Ptr<gr::Image> textureImage;
	/** Null once the object is removed. */
	b2Body* body = nullptr;
	/** The plain sprite (held while the object lives), or null. */
	lang::Ptr<game::Sprite> sprite;
	float radius = -1.f;
	float width = 0.f;
	float height = 0.f;
	float renderX = 0.f;
	float renderY = 0.f;
	float renderAngle = 0.f;
	float firstAngle = 0.f;
	float spriteAngle = 0.f;
	float pivotOffsetX = 0.f;
	float pivotOffsetY = 0.f;
	float scaleX = 1.f;
	float scaleY = 1.f;
	float textureScale = 1.f;
	float baseScaleX = 1.f;
	float baseScaleY = 1.f;
	float z_order = 0.f;
	float destroyTimer = 0.f;
	float wobbleTime = 0.f;
	float wobbleAmplitude = 0.f;
	float wobbleStartAmplitude = 0.f;
	float wobbleSpeed = 0.f;
	float wobbleStrength = 0.f;
	DecorationData* decoration = nullptr;
	ObjectType objectType = ObjectType::None;
	int gravityMask = -1;
	float sensorMinForce = 0.f;
	float sensorMaxForce = 0.f;
	float sensorRadius = -1.f;
	float sensorLength = 0.f;
	int gravityCategory = -1;
	float flyerTimer = -1.f;
	bool killingVolume = false;
	bool recordVelocity = false;
	bool revertGravity = false;
	bool revertGravityWithMultiplier = false;
	float revertGravityMultiplier = 0.f;
	float revertGravitySpeedLimit = 0.f;
	bool isCompoSprite = false;
	bool mirrored = false;
	bool mirrorByVelocity = false;
	bool useFirstAngle = false;
	bool noHitWobble = false;
	bool excludeFromMoving = false;
	bool ignoreImmovable = false;
	bool collisionEnabled = false;
	bool startsInactive = false;
	bool hasDecorations = false;
	bool ignoresKillingVolumes = false;
	bool wobbling = false;
	bool wasAwake = false;
	bool destroyPending = false;
	bool rolls = false;
	bool tracked = false;
	bool killOnExit = false;
	bool animated = false;
	bool hasPendingVelocity = false;
	bool isCompound = false;
	bool hasFirstAngle = false;
	bool visible = true;

	RenderObjectData(RenderObjectData const&) = delete;
	RenderObjectData& operator=(RenderObjectData const&) = delete;
};

} // namespace host
