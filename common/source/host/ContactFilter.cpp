// Which scene objects touch.
#include <host/ContactRules.h>
#include <host/ContactRecord.h>
#include <host/RenderObjectData.h>

bool ContactRules::shouldCollide(b2Fixture* fixtureA, b2Fixture* fixtureB) const
{
	RenderObjectData const* a = recordOf(fixtureA);
	RenderObjectData const* b = recordOf(fixtureB);
	if (!a || !b)
		return true;
	// Killing volumes catch flyers whatever their collision flags.
	if (a->killingVolume || b->killingVolume)
	{
		if (isFlyerType(a) || isFlyerType(b))
			return true;
	}
	if (!a->collisionEnabled || !b->collisionEnabled)
		return false;
	if ((a->objectType == 7 && b->startsInactive) || (b->objectType == 7 && a->startsInactive))
		return false;
	if (a->killingVolume)
		return false;
	if (b->killingVolume && (a->ignoresKillingVolumes || b->ignoresKillingVolumes))
		return false;
	if (isFlyerType(a) && isFlyerType(b))
		return false;
	if ((a->objectType == 6 || b->objectType == 6) && (a->startsInactive || b->startsInactive))
		return false;
	if ((a->ignoreImmovable && b->material == 5) || (b->ignoreImmovable && a->material == 5))
		return false;
	if (!a->startsInactive && !b->startsInactive && a->objectType != 6 && b->objectType != 6 &&
		(a->objectType == 5) != (b->objectType == 5))
		return false;
	return true;
}
