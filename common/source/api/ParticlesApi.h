#pragma once

namespace lua
{
class LuaObject;
}

namespace host
{

class ParticleEffects;

/**
 * Binds the particle rows (drawing, menu updates, the menu scale, clearing
 * and the in-game gate) into host, in their fixed order, to area's members.
 * Both borrowed: area must outlive host's use of the rows.
 */
void registerParticlesApi(lua::LuaObject& host, ParticleEffects& area);

} // namespace host
