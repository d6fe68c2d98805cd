#pragma once

#include <string>

namespace game
{

class Sprite;

/** Resolves sprite names for readers that refer to sprites of other files. */
class SpriteProvider
{
public:
	virtual ~SpriteProvider() {}

	/** The sprite of that name, or null when none is known. */
	virtual Sprite* getSprite(std::string const& name) = 0;
};

} // game
