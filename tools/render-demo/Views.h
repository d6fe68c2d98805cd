#pragma once

#include <gr/Context.h>
#include <string>

namespace demo
{

int const WIDTH = 320;
int const HEIGHT = 240;

/** Draws the demo scene onto ctx. */
void drawScene(gr::Context& ctx);

/** Draws the scene through the OpenGL ES 1.1 back end into the PNG file path. */
void renderWithGles1(std::string const& path);

/** Draws the scene through the OpenGL ES 2.0 back end into the PNG file path. */
void renderWithGles2(std::string const& path);

} // demo
