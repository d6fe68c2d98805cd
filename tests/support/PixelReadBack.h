#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace gr
{
class Context;
}

namespace test
{

/** Red, green, blue and alpha of one pixel, 0 to 255 each. */
typedef std::array<int, 4> RGBA;

/**
 * The pixel at x, y of the frame buffer bound in the current GL context
 * (OpenGL ES 1.1 or 2.0), y counted from the bottom row.
 */
RGBA readPixel(int x, int y);

/** RGBA bytes of the width x height pixels at the origin of the bound frame buffer, bottom row first. */
std::vector<std::uint8_t> readPixels(int width, int height);

/** The frame context shows, as its raw capture gives it: RGBA bytes, top row first. */
std::vector<unsigned char> capturePixels(gr::Context& context);

} // namespace test
