#pragma once

#include <gr/ContextObject.h>

namespace gr
{

/** Common base of the texture kinds; shaders take textures as BaseTexture. */
class BaseTexture : public ContextObject
{
public:
	explicit BaseTexture(ClassId classId) : ContextObject(classId) {}
};

} // gr
