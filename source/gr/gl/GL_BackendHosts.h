#pragma once

#include "GL_Backend.h"
#include "GL_PrimitiveHost.h"
#include "GL_Texture.h"

namespace gr
{
namespace gl
{

/** The back end that backend() returns, for the hosts below. */
typedef GL_Backend const& (*GL_BackendGetter)();

/** A texture host whose textures belong to the back end that backend() returns. */
template <GL_BackendGetter backend>
class GL_TextureHostOf : public GL_TextureHost
{
public:
	GL_Backend const& glBackend() const final { return backend(); }
};

/** A primitive host whose primitives belong to the back end that backend() returns. */
template <GL_BackendGetter backend>
class GL_PrimitiveHostOf : public GL_PrimitiveHost
{
public:
	GL_Backend const& glBackend() const final { return backend(); }
};

/** A shadowed-texture list for textures of the back end that backend() returns. */
template <GL_BackendGetter backend>
class GL_TextureShadowingOf : public GL_TextureShadowing
{
public:
	GL_TextureShadowingOf() : GL_TextureShadowing(backend()) {}
};

} // gl
} // gr
