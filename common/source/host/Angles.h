#pragma once

#include <numbers>

namespace host
{

/** Half a turn in radians, as the host's float angles use it. */
inline constexpr float PI = std::numbers::pi_v<float>;

/** A whole turn in radians. */
inline constexpr float TWO_PI = 2.f * std::numbers::pi_v<float>;

} // namespace host
