#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace test
{

/**
 * Writes a raw movie (YUV4MPEG2, 4:2:0, full-range) of frames pictures of
 * width x height (both even) at fps pictures per second, every pixel of
 * picture i of the colour (r, g, b) that colour(i) gives.
 */
template <class Colour>
void writeVideoClip(std::string const& path, int width, int height, int frames, int fps, Colour colour)
{
	std::ofstream out(path, std::ios::binary);
	out << "YUV4MPEG2 W" << width << " H" << height << " F" << fps << ":1 Ip A1:1 C420jpeg XCOLORRANGE=FULL\n";
	for (int i = 0; i < frames; ++i)
	{
		int r, g, b;
		colour(i, r, g, b);
		// Full-range BT.601.
		auto clamp = [](double v) { return static_cast<char>(v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v + 0.5)); };
		char const y = clamp(0.299 * r + 0.587 * g + 0.114 * b);
		char const u = clamp(128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
		char const v = clamp(128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
		out << "FRAME\n";
		out << std::string(static_cast<size_t>(width) * height, y);
		out << std::string(static_cast<size_t>(width / 2) * (height / 2), u);
		out << std::string(static_cast<size_t>(width / 2) * (height / 2), v);
	}
}

} // test
