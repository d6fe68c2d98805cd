#pragma once

// The shared GL code (namespace gr::gl) under the names of the OpenGL ES 2.0
// back end: gr::gles2::GL_TextureHandle and the others are the shared ones.

#include <gr/gl/GL_Check.h>
#include <gr/gl/GL_StateBase.h>
#include <gr/gl/GL_TextureHandle.h>

namespace gr
{
namespace gles2
{

using gl::GL_StateBase;
using gl::GL_TextureHandle;
using gl::GL_textureName;
using gl::glCheckError;

} // gles2
} // gr
