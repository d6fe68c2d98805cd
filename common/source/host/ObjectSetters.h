#pragma once

#include <host/Core.h>
#include <functional>
#include <string>

namespace lua
{
class LuaState;
}

namespace host
{

class MaskedImages;
class SceneObjects;
struct RenderObjectData;

/**
 * The scripts' setters and getters of named scene objects: placement,
 * motion, the body's physical flags, the look (sprite, texture, sprite
 * angle, pivot, scale, decorations, material, texture scale) and the
 * numbered object parameters.
 *
 * A setter changes the record (and its body) now, or after the world's
 * current operation when the world is busy. A missing name logs (where
 * noted "Body name : %s") and changes nothing; getters then give 0. Numbers
 * bound for the physics world must be finite (else lua::LuaException
 * "<function>: <what> of "<name>" is <value>").
 *
 * Main thread only.
 */
class ObjectSetters
{
public:
	/**
	 * Keeps the core, the scene and the masked images of textured objects
	 * (borrowed; they outlive the setters). No observable effect.
	 */
	ObjectSetters(Core const& core, SceneObjects& scene, MaskedImages& maskedImages);

	ObjectSetters(ObjectSetters const&) = delete;
	ObjectSetters& operator=(ObjectSetters const&) = delete;

	/** Runs change on the named record now, or after the world's current operation when busy; a missing name logs "Body name : %s". */
	void changeObject(std::string const& name, std::function<void(RenderObjectData&)> change);

	/** Applies the impulse (ix, iy) at the world point (px, py) to a dynamic body, waking it. */
	void applyImpulse(std::string const& name, float ix, float iy, float px, float py);
	/** Applies the force (fx, fy) at the world point (px, py) to a dynamic body, waking it ("applyForceNative"). */
	void applyForce(std::string const& name, float fx, float fy, float px, float py);
	/** Moves the body (angle kept) and the drawn place, both snapshots and objects.world[name].x, .y to (x, y). */
	void setPosition(std::string const& name, float x, float y);
	/** Turns the body, the drawn angle, both snapshots and .angle to angle in [0, 2 pi); the first angle given is kept as firstAngle. */
	void setRotation(std::string const& name, float angle);
	/** The sprite's own angle (and .spriteAngle), in [0, 2 pi); the body is untouched. */
	void setSpriteRotation(std::string const& name, float angle);
	/** Reads blocks[world[name].definition].decorations; a second call replaces the first. */
	void setDecorationObjects(std::string const& name);
	/** The drawn pivot offset (and .pivotOffsetX, .pivotOffsetY). */
	void setPivotOffset(std::string const& name, float x, float y);
	/** The drawn scale (and .scaleX, .scaleY); the body is untouched. */
	void setScale(std::string const& name, float sx, float sy);
	/** The body's linear velocity. */
	void setVelocity(std::string const& name, float vx, float vy);
	/** The body's angular velocity (radians per second). */
	void setAngularVelocity(std::string const& name, float w);
	/** The body's angular velocity; 0 for a missing name (logged). */
	float getAngularVelocity(std::string const& name);
	/** The length of the body's linear velocity; 0 for a missing name (logged). */
	float getVelocity(std::string const& name);
	/** Raw: (name) -> vx, vy. */
	int getLinearVelocity(lua::LuaState* state);
	/** Whether the body may turn ("setFixedRotation"). */
	void setFixedRotationForBody(std::string const& name, bool fixed);
	/** The body's angular damping ("setAngularDamping"). @exception lua::LuaException For NaN; any other value is taken. */
	void setAngularDampingForBody(std::string const& name, float damping);
	/** The body's linear damping ("setLinearDamping"). @exception lua::LuaException For NaN; any other value is taken. */
	void setLinearDampingForBody(std::string const& name, float damping);
	/** Makes every fixture of the body a sensor, or solid again. */
	void setAsSensor(std::string const& name, bool sensor);
	/** Scales the body's linear velocity by factor; a product that is not finite leaves it as it was. */
	void multiplyVelocity(std::string const& name, float factor);
	/** Whether the scene draws the object. */
	void setVisible(std::string const& name, bool visible);
	/** "wood" 1, "rock" 2, "light" 3, "propeller" 4, "immovable" 5; others change nothing. */
	void setMaterial(std::string const& name, std::string const& material);
	/** The scale of the object's texture (setTexture) against its sprite. */
	void setTextureScale(std::string const& name, float scale);
	/**
	 * The object is drawn textured: its sprite cut out of the sheet's image
	 * tiled (textureName := sheet, textureImage := the sheet's image, none
	 * for an unknown sheet); makes the sheet's masked image.
	 */
	void setTexture(std::string const& name, std::string const& sheet);
	/** The object's look becomes that of sprite as SceneObjects::replaceLook gives it. */
	void setSprite(std::string const& name, std::string const& sprite);
	/** Puts the body to sleep, or wakes it. */
	void setSleeping(std::string const& name, bool sleeping);
	/** Enables or disables the body in the world. */
	void setActive(std::string const& name, bool active);
	/** Numbered parameters 1 to 35; other ids change nothing. */
	void setObjectParameter(std::string const& name, float id, float value);
	/** Whether the object collides (and .collisionEnabled 1 or 0); the body is disabled and enabled again so its contacts are filtered anew. */
	void setCollisionEnabled(std::string const& name, bool enabled);
	/** The drawn angle of the object; 0 for a missing name (logged). */
	float getAngle(std::string const& name);

private:
	Core m_core;
	SceneObjects& m_scene;
	MaskedImages& m_maskedImages;
};

} // namespace host
