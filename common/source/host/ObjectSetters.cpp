// Scene objects: per-object setters and getters and the numbered object
// parameters.
#include <ArgumentCheck.h>
#include <host/Angles.h>
#include <host/MaskedImages.h>
#include <host/ObjectSetters.h>
#include <host/RenderObjectData.h>
#include <host/SceneObjects.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>
#include <gr/Image.h>
#include <lang/Debug.h>
#include <lua/LuaException.h>
#include <lua/LuaObject.h>
#include <lua/LuaState.h>
#include <physics/PhysicsWorld.h>
#include <cmath>

namespace host
{

namespace
{

/** The angle in [0, 2 pi). */
float normalised(float angle)
{
	float a = std::fmod(angle, TWO_PI);
	return a < 0.f ? a + TWO_PI : a;
}

} // namespace

ObjectSetters::ObjectSetters(Core const& core, SceneObjects& scene, MaskedImages& maskedImages) :
	m_core(core),
	m_scene(scene),
	m_maskedImages(maskedImages)
{
}

void ObjectSetters::changeObject(std::string const& name, std::function<void(RenderObjectData&)> change)
{
	m_scene.world().defer([this, name, change] {
		if (RenderObjectData* object = m_scene.objectOrLog(name))
			change(*object);
	});
}

void ObjectSetters::applyImpulse(std::string const& name, float ix, float iy, float px, float py)
{
	requireFinite("applyImpulse", name, {ix, iy, px, py});
	changeObject(name, [this, ix, iy, px, py](RenderObjectData& o) {
		if (o.body)
			m_scene.world().applyLinearImpulse(o.body, b2Vec2(ix, iy), b2Vec2(px, py));
	});
}

void ObjectSetters::applyForce(std::string const& name, float fx, float fy, float px, float py)
{
	requireFinite("applyForceNative", name, {fx, fy, px, py});
	changeObject(name, [this, fx, fy, px, py](RenderObjectData& o) {
		if (o.body)
			m_scene.world().applyForce(o.body, b2Vec2(fx, fy), b2Vec2(px, py));
	});
}

void ObjectSetters::setPosition(std::string const& name, float x, float y)
{
	requireFinite("setPosition", name, {x, y});
	changeObject(name, [this, x, y](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setTransform(o.body, b2Vec2(x, y), o.body->GetAngle());
		o.luaTable.setNumber("x", x);
		o.luaTable.setNumber("y", y);
		o.renderX = x;
		o.renderY = y;
		for (RenderObjectData::Snapshot& snapshot : o.snapshot)
		{
			snapshot.x = x;
			snapshot.y = y;
		}
	});
}

void ObjectSetters::setRotation(std::string const& name, float angle)
{
	requireFinite("setRotation", name, {angle});
	float a = normalised(angle);
	changeObject(name, [this, a](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setTransform(o.body, o.body->GetPosition(), a);
		o.luaTable.setNumber("angle", a);
		o.renderAngle = a;
		o.snapshot[0].angle = a;
		o.snapshot[1].angle = a;
		if (!o.hasFirstAngle)
		{
			o.firstAngle = a;
			o.hasFirstAngle = true;
		}
	});
}

void ObjectSetters::setSpriteRotation(std::string const& name, float angle)
{
	float a = normalised(angle);
	changeObject(name, [a](RenderObjectData& o) {
		o.luaTable.setNumber("spriteAngle", a);
		o.spriteAngle = a;
	});
}

void ObjectSetters::setDecorationObjects(std::string const& name)
{
	changeObject(name, [this](RenderObjectData& o) {
		lua::LuaTable& table = o.luaTable;
		if (!table.isString("definition") || !m_core.blockTable.isTable("blocks"))
			return;
		lua::LuaTable blocks = m_core.blockTable.getTable("blocks");
		std::string definition = table.getString("definition");
		if (!blocks.isTable(definition) || !blocks.getTable(definition).isTable("decorations"))
		{
			lang::Debug::printf("setDecorationObjects: block \"%s\" has no decorations\n", definition.c_str());
			return;
		}
		lua::LuaTable decorations = blocks.getTable(definition).getTable("decorations");
		DecorationData* decoration = new DecorationData();
		decoration->amount = decorations.isNumber("amount") ? lua::LuaNumber::toInt(decorations.getNumber("amount")) : 0;
		decoration->sprite = decorations.isString("sprite") ? decorations.getString("sprite") : std::string();
		decoration->angleIncrement = decorations.isNumber("angleIncrement") ? decorations.getNumber("angleIncrement") : 0.f;
		decoration->scale = decorations.isNumber("scale") ? decorations.getNumber("scale") : 0.f;
		delete o.decoration;
		o.decoration = decoration;
		o.hasDecorations = true;
	});
}

void ObjectSetters::setPivotOffset(std::string const& name, float x, float y)
{
	changeObject(name, [x, y](RenderObjectData& o) {
		o.luaTable.setNumber("pivotOffsetX", x);
		o.luaTable.setNumber("pivotOffsetY", y);
		o.pivotOffsetX = x;
		o.pivotOffsetY = y;
	});
}

void ObjectSetters::setScale(std::string const& name, float sx, float sy)
{
	changeObject(name, [sx, sy](RenderObjectData& o) {
		o.luaTable.setNumber("scaleX", sx);
		o.luaTable.setNumber("scaleY", sy);
		o.scaleX = sx;
		o.scaleY = sy;
	});
}

void ObjectSetters::setVelocity(std::string const& name, float vx, float vy)
{
	requireFinite("setVelocity", name, {vx, vy});
	changeObject(name, [this, vx, vy](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setLinearVelocity(o.body, b2Vec2(vx, vy));
	});
}

void ObjectSetters::setAngularVelocity(std::string const& name, float w)
{
	requireFinite("setAngularVelocity", name, {w});
	changeObject(name, [this, w](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setAngularVelocity(o.body, w);
	});
}

float ObjectSetters::getAngularVelocity(std::string const& name)
{
	b2Body* body = m_scene.getBody(name);
	return body ? body->GetAngularVelocity() : 0.f;
}

float ObjectSetters::getVelocity(std::string const& name)
{
	b2Body* body = m_scene.getBody(name);
	return body ? body->GetLinearVelocity().Length() : 0.f;
}

int ObjectSetters::getLinearVelocity(lua::LuaState* state)
{
	b2Body* body = m_scene.getBody(lua::LuaValue::readString(state, 1));
	b2Vec2 v = body ? body->GetLinearVelocity() : b2Vec2_zero;
	lua::LuaValue::push(state, v.x);
	lua::LuaValue::push(state, v.y);
	return 2;
}

void ObjectSetters::setFixedRotationForBody(std::string const& name, bool fixed)
{
	changeObject(name, [this, fixed](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setFixedRotation(o.body, fixed);
	});
}

namespace
{

/** @exception lua::LuaException For a NaN damping (any other value is taken). */
void requireDamping(char const* function, std::string const& name, float damping)
{
	if (std::isnan(damping))
		throw lua::LuaException(lang::Format("{0}: value of \"{1}\" is {2}", function, name, numberText(damping)));
}

} // namespace

void ObjectSetters::setAngularDampingForBody(std::string const& name, float damping)
{
	requireDamping("setAngularDamping", name, damping);
	changeObject(name, [this, damping](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setAngularDamping(o.body, damping);
	});
}

void ObjectSetters::setLinearDampingForBody(std::string const& name, float damping)
{
	requireDamping("setLinearDamping", name, damping);
	changeObject(name, [this, damping](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setLinearDamping(o.body, damping);
	});
}

void ObjectSetters::setAsSensor(std::string const& name, bool sensor)
{
	changeObject(name, [this, sensor](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setSensor(o.body, sensor);
	});
}

void ObjectSetters::multiplyVelocity(std::string const& name, float factor)
{
	requireFinite("multiplyVelocity", name, {factor});
	changeObject(name, [this, factor](RenderObjectData& o) {
		if (!o.body)
			return;
		b2Vec2 v = factor * o.body->GetLinearVelocity();
		if (std::isfinite(v.x) && std::isfinite(v.y))
			m_scene.world().setLinearVelocity(o.body, v);
	});
}

void ObjectSetters::setVisible(std::string const& name, bool visible)
{
	changeObject(name, [visible](RenderObjectData& o) { o.visible = visible; });
}

void ObjectSetters::setMaterial(std::string const& name, std::string const& material)
{
	static char const* const NAMES[] = {"wood", "rock", "light", "propeller", "immovable"};
	changeObject(name, [material](RenderObjectData& o) {
		for (int i = 0; i < 5; ++i)
		{
			if (material == NAMES[i])
				o.material = i + 1;
		}
	});
}

void ObjectSetters::setTextureScale(std::string const& name, float scale)
{
	changeObject(name, [scale](RenderObjectData& o) { o.textureScale = scale; });
}

void ObjectSetters::setTexture(std::string const& name, std::string const& sheetName)
{
	game::SpriteSheet* const sheet = m_core.resources->getSpriteSheet(sheetName);
	// The change may run after the world's current operation: it keeps its own copies.
	lang::Ptr<gr::Image> const image = sheet ? sheet->getImage() : nullptr;
	changeObject(name, [sheetName, image](RenderObjectData& o) {
		o.textureName = sheetName;
		o.textureImage = image;
	});
	m_maskedImages.maskedImage(sheetName);
}

void ObjectSetters::setSprite(std::string const& name, std::string const& sprite)
{
	changeObject(name, [this, sprite](RenderObjectData& o) { m_scene.replaceLook(o, sprite); });
}

void ObjectSetters::setSleeping(std::string const& name, bool sleeping)
{
	changeObject(name, [this, sleeping](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setAwake(o.body, !sleeping);
	});
}

void ObjectSetters::setActive(std::string const& name, bool active)
{
	changeObject(name, [this, active](RenderObjectData& o) {
		if (o.body)
			m_scene.world().setEnabled(o.body, active);
	});
}

void ObjectSetters::setObjectParameter(std::string const& name, float idValue, float value)
{
	int id = lua::LuaNumber::toInt(idValue);
	if (id < 1 || id > 35)
		return;
	changeObject(name, [this, id, value](RenderObjectData& o) {
		bool flag = lua::LuaNumber::toInt(value) == 1;
		switch (id)
		{
		case 1:
			o.tracked = flag;
			if (flag)
			{
				m_scene.trackedObjects()[o.name] = &o;
				o.wobbleTime = o.wobbleAmplitude = o.wobbleStartAmplitude = 0.f;
			}
			break;
		case 2:
			if (o.body)
				m_scene.world().setType(o.body, value == 0.f ? b2_staticBody : b2_dynamicBody);
			break;
		case 5:
			o.scaleX = o.scaleY = o.baseScaleX = o.baseScaleY = value;
			break;
		case 6: o.wobbleStrength = value; break;
		case 7: o.wobbleSpeed = value; break;
		case 8: o.mirrored = flag; break;
		case 9: o.mirrorByVelocity = flag; break;
		case 10: o.useFirstAngle = flag; break;
		case 11: o.noHitWobble = flag; break;
		case 12: o.excludeFromMoving = flag; break;
		case 13: o.animated = flag; break;
		case 15: o.ignoreImmovable = flag; break;
		case 16:
			if (o.body)
				m_scene.world().setGravityScale(o.body, flag ? 0.f : 1.f);
			break;
		case 17: o.scaleX = o.baseScaleX = value; break;
		case 18: o.scaleY = o.baseScaleY = value; break;
		case 19: o.killingVolume = flag; break;
		case 20: o.ignoresKillingVolumes = flag; break;
		case 21:
			o.objectType = static_cast<ObjectType>(lua::LuaNumber::toInt(value));
			if (isFlyerType(o.objectType) && o.body)
			{
				m_scene.world().setFixedRotation(o.body, true);
				m_scene.world().resetMassData(o.body);
				m_scene.world().setBullet(o.body, true);
			}
			break;
		case 25: o.sensorMinForce = value; break;
		case 26: o.sensorMaxForce = value; break;
		case 27: o.sensorRadius = value; break;
		case 31: o.flyerTimer = value; break;
		case 32:
			if (flag && o.body)
				m_scene.aimSensors().push_back(&o);
			break;
		case 33: o.visible = flag; break;
		case 34: o.killOnExit = flag; break;
		case 35: o.sensorLength = value; break;
		default: break;
		}
	});
}

void ObjectSetters::setCollisionEnabled(std::string const& name, bool enabled)
{
	changeObject(name, [this, enabled](RenderObjectData& o) {
		// Off and on again, so the world filters the body's contacts anew.
		if (o.body)
		{
			m_scene.world().setEnabled(o.body, false);
			m_scene.world().setEnabled(o.body, true);
		}
		o.collisionEnabled = enabled;
		o.luaTable.setNumber("collisionEnabled", enabled ? 1.f : 0.f);
	});
}

float ObjectSetters::getAngle(std::string const& name)
{
	RenderObjectData* object = m_scene.objectOrLog(name);
	return object ? object->renderAngle : 0.f;
}

} // namespace host
