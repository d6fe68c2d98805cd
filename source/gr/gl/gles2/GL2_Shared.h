#pragma once

// The GL code both back ends share (namespace gr::gl) under the names of the
// OpenGL ES 2.0 back end: gr::gles2::GL_Texture and the others are the shared
// classes. The hosts and the shadowed-texture list are this back end's own
// (they know it).

#include <gr/gl/GL_Backend.h>
#include <gr/gl/GL_BackendHosts.h>
#include <gr/gl/GL_Check.h>
#include <gr/gl/GL_ContextBase.h>
#include <gr/gl/GL_Image.h>
#include <gr/gl/GL_Primitive.h>
#include <gr/gl/GL_PrimitiveHost.h>
#include <gr/gl/GL_RenderBatcher.h>
#include <gr/gl/GL_StateBase.h>
#include <gr/gl/GL_StateSetters.h>
#include <gr/gl/GL_Texture.h>
#include <gr/gl/GL_TextureHandle.h>
#include <gr/gl/GL_VertexStreams.h>

namespace gr
{
namespace gles2
{

using gl::GL_Backend;
using gl::GL_ContextBase;
using gl::GL_Image;
using gl::GL_Primitive;
using gl::GL_RenderBatcher;
using gl::GL_StateBase;
using gl::GL_Texture;
using gl::GL_TextureHandle;
using gl::GL_VertexStream;
using gl::GL_VertexStreams;
using gl::ShadowingSurfaceData;
using gl::convertToCompatibleSurfaceFormat;
using gl::getGLFormat;
using gl::GL_checkFileMipLevels;
using gl::GL_fullMipCount;
using gl::GL_isExtensionAvailable;
using gl::GL_isExtensionInList;
using gl::GL_textureName;
using gl::glCheckError;

/** The OpenGL ES 2.0 back end. */
GL_Backend const& GL_backend();

/** Hosts and shadowed-texture lists of this back end. */
using GL_TextureHost = gl::GL_TextureHostOf<&GL_backend>;
using GL_PrimitiveHost = gl::GL_PrimitiveHostOf<&GL_backend>;
using GL_TextureShadowing = gl::GL_TextureShadowingOf<&GL_backend>;

} // gles2
} // gr
