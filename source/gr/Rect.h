#pragma once

namespace gr
{

/**
 * Integer rectangle in pixels. Width is right - left, height is
 * bottom - top; the rectangle is not normalised.
 */
class Rect
{
public:
	int left;
	int top;
	int right;
	int bottom;

	/** All four edges 0. */
	Rect() : left(0), top(0), right(0), bottom(0) {}

	/** Rectangle 0, 0, width, height. */
	Rect(int width, int height) : left(0), top(0), right(width), bottom(height) {}

	/** Rectangle with the given edges. */
	Rect(int left_, int top_, int right_, int bottom_) : left(left_), top(top_), right(right_), bottom(bottom_) {}

	void setLeft(int v) { left = v; }
	void setTop(int v) { top = v; }
	void setRight(int v) { right = v; }
	void setBottom(int v) { bottom = v; }

	/** right - left. */
	int width() const { return right - left; }

	/** bottom - top. */
	int height() const { return bottom - top; }

	/** True when all four edges are equal. */
	bool operator==(Rect const& o) const { return left == o.left && top == o.top && right == o.right && bottom == o.bottom; }
	bool operator!=(Rect const& o) const { return !(*this == o); }
};

} // gr
