#pragma once

#include <cstdint>

namespace framework
{

/**
 * One touch on the screen: its identity and its position in pixels of the
 * drawable surface (view points times the view's content scale, truncated
 * toward zero). Touches are told apart by identity only; the shell numbers
 * them from 1, one new number per new touch.
 */
struct TouchEvent
{
	int32_t id = 0;
	int32_t x = 0;
	int32_t y = 0;
};

} // framework
