#pragma once

namespace host
{

/**
 * The type of a scene object (object parameter 21), which selects the
 * sensor, contact and flight rules that apply to it. Scripts and level
 * files carry the numbers, so each type keeps its number; a number without
 * a name here is kept as given and matches no rule.
 */
enum class ObjectType : int
{
	/** No type (the start value). */
	None = -1,
	/** A sensor that pulls or pushes the objects inside it once per physics step. */
	GravitySensor = 2,
	/** A sensor that lists the objects inside it and exerts no force. */
	ListingSensor = 3,
	/** A sensor whose destruction timer starts when a solid fixture touches it. */
	FuseSensor = 4,
	/** A flyer: killing volumes catch it; it is destroyed near the level limits. */
	Flyer = 5,
	/** Its sensor reports a hit; as a body it misses waiting flyers. */
	Special = 6,
	/** A flyer that also misses waiting flyers. */
	PassingFlyer = 7,
};

/** True for the two flyer types. */
inline bool isFlyerType(ObjectType type)
{
	return type == ObjectType::Flyer || type == ObjectType::PassingFlyer;
}

} // namespace host
