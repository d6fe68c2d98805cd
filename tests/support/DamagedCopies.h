#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

/**
 * Hands read every truncation of data (0 to size - 1 bytes), then flipped
 * copies with one to three bytes changed at places drawn from seed, the
 * same copies on every run. For the tests that feed readers damaged files.
 */
inline void forEachDamagedCopy(std::vector<unsigned char> const& data, int flipped, uint32_t seed,
	std::function<void(std::vector<unsigned char> const&)> const& read)
{
	auto next = [&seed]() {
		seed = seed * 1664525u + 1013904223u;
		return seed >> 8;
	};
	for (size_t n = 0; n < data.size(); ++n)
		read(std::vector<unsigned char>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n)));
	if (data.empty())
		return;
	for (int i = 0; i < flipped; ++i)
	{
		std::vector<unsigned char> d = data;
		int const flips = 1 + static_cast<int>(next() % 3);
		for (int k = 0; k < flips; ++k)
			d[next() % d.size()] ^= static_cast<unsigned char>(1 + next() % 255);
		read(d);
	}
}
