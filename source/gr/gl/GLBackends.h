#pragma once

// The creators of the two OpenGL ES back ends, for code that picks the
// renderer at run time. Link eng_gles1 for the first, eng_gles2 for the
// second.

#include <gr/Context.h>

namespace gr
{
namespace gles1
{

/**
 * The OpenGL ES 1.1 rendering context for a screen of width x height
 * pixels (exchanged for orientations 1 and 3), with the built-in shader
 * templates registered. The GL context must be current; present is called
 * to show each finished frame (null for none). The caller holds the first
 * reference. Throws gr::GraphicsException when the GL refuses a resource.
 */
Context* GL_createContext(int width, int height, Context::OrientationType orientation, void (*present)());

} // gles1

namespace gles2
{

/**
 * The OpenGL ES 2.0 rendering context for a screen of width x height
 * pixels (exchanged for orientations 1 and 3). The GL context must be
 * current; present is called to show each finished frame (null for none).
 * The caller holds the first reference.
 */
Context* GL_createContext(int width, int height, Context::OrientationType orientation, void (*present)());

} // gles2
} // gr
