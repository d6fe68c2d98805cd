#pragma once

namespace game
{

/**
 * Alignment of a drawing relative to the point it is drawn at: a vertical
 * and a horizontal part. Passed by value.
 */
class Anchor
{
public:
	/** Which horizontal line of the drawing lies at the given y. */
	enum VerticalType
	{
		TOP = 0,
		VCENTER = 1,
		BOTTOM = 2,
		/** The pivot for sprites; the baseline for text. */
		BASELINE = 3,
		VPIVOT = 4,
	};

	/** Which vertical line of the drawing lies at the given x. */
	enum HorizontalType
	{
		LEFT = 0,
		HCENTER = 1,
		RIGHT = 2,
		HPIVOT = 3,
	};

	/** Vertical part, one of VerticalType. */
	int vertical;
	/** Horizontal part, one of HorizontalType. */
	int horizontal;

	/** TOP, LEFT. */
	Anchor() : vertical(TOP), horizontal(LEFT) {}

	Anchor(VerticalType v, HorizontalType h) : vertical(v), horizontal(h) {}

	/**
	 * Sets the part that the keyword names ("TOP", "VCENTER", "BOTTOM",
	 * "BASELINE", "VPIVOT" or "LEFT", "HCENTER", "RIGHT", "HPIVOT";
	 * case-sensitive) and leaves the other. Null or "" changes nothing.
	 * @exception lang::Exception "Invalid anchor: {0}" for any other keyword.
	 */
	void fromString(char const* keyword);
};

} // game
