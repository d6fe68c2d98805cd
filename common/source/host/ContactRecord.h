#pragma once

#include <host/RenderObjectData.h>
#include <box2d/box2d.h>

namespace host
{

/** The scene object a fixture belongs to, or null for a fixture the host did not make. */
inline RenderObjectData* recordOf(b2Fixture const* fixture)
{
	return reinterpret_cast<RenderObjectData*>(const_cast<b2Fixture*>(fixture)->GetUserData().pointer);
}

} // namespace host
