#pragma once

#include <gr/Context.h>
#include <functional>
#include <vector>

namespace comparetest
{

/** Draws onto a context; called with the context's GL view current. */
typedef std::function<void(gr::Context*)> Scene;

/** Top-down RGBA8 pixels of scene drawn through the OpenGL ES 1.1 back end. */
std::vector<unsigned char> renderWithGles1(int width, int height, Scene const& scene);

/** Top-down RGBA8 pixels of scene drawn through the OpenGL ES 2.0 back end. */
std::vector<unsigned char> renderWithGles2(int width, int height, Scene const& scene);

/** Top-down RGBA8 pixels of what the context shows. */
std::vector<unsigned char> capturePixels(gr::Context* context);

} // namespace comparetest
