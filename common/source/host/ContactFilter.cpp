// Which scene objects touch.
#include <host/ContactRules.h>
#include <host/ContactRecord.h>
#include <host/RenderObjectData.h>

namespace host
{

bool ContactRules::shouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB) const
{
	RenderObjectData const* a = recordOf(fixtureA);
	RenderObjectData const* b = recordOf(fixtureB);
	if (!a || !b)
		return true;
	// Killing volumes catch flyers whatever their collision flags.
	if (a->killingVolume || b->killingVolume)
	{
		if (isFlyerType(a->objectType) || isFlyerType(b->objectType))
			return true;
	}
	if (!a->collisionEnabled || !b->collisionEnabled)
		return false;
	if ((a->objectType == ObjectType::PassingFlyer && b->startsInactive) ||
		(b->objectType == ObjectType::PassingFlyer && a->startsInactive))
		return false;
	if (a->killingVolume)
		return false;
	if (b->killingVolume && (a->ignoresKillingVolumes || b->ignoresKillingVolumes))
		return false;
	if (isFlyerType(a->objectType) && isFlyerType(b->objectType))
		return false;
	if ((a->objectType == ObjectType::Special || b->objectType == ObjectType::Special) && (a->startsInactive || b->startsInactive))
		return false;
	if ((a->ignoreImmovable && b->material == 5) || (b->ignoreImmovable && a->material == 5))
		return false;
	if (!a->startsInactive && !b->startsInactive && a->objectType != ObjectType::Special &&
		b->objectType != ObjectType::Special && (a->objectType == ObjectType::Flyer) != (b->objectType == ObjectType::Flyer))
		return false;
	return true;
}

} // namespace host
