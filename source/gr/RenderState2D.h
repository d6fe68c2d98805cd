#pragma once

#include <gr/Rect.h>
#include <math/float2.h>
#include <math/float4x4.h>

namespace gr
{

/**
 * The 2D drawing state a context owns and callers change in place: clip
 * rectangle, 2 x 2 transform, translation, scale, pivot, alpha, colour
 * saturation and world transform. Copied as a whole.
 */
class RenderState2D
{
public:
	/** 2D clip rectangle, given to the context's setClipRect when a batch is drawn. */
	Rect clipRect;

	/**
	 * 2 x 2 matrix m00, m01, m10, m11 applied to corner offsets taken as
	 * row vectors: x' = dx*m00 + dy*m10, y' = dx*m01 + dy*m11.
	 */
	float rotation[4];

	/** Added to every 2D position before scaling, in pixels. */
	math::float2 translation;

	/** Multiplies positions after translation. */
	math::float2 scale;

	/** Point, relative to an item's top-left corner, about which rotation turns it. */
	math::float2 pivot;

	/** Kept for callers; not read by the graphics layer. */
	math::float2 offset2;

	/** Global opacity; below 1 selects the alpha-blending shaders. */
	float alpha;

	/** Colour saturation factor of the 2D shaders. */
	float colorSaturation;

	/** Rotation angle in radians; non-zero selects the rotated corner computation. */
	float angle;

	/** When set, screen-rectangle image draws pass their corners through for transform to place. */
	bool worldSpace;

	/** World matrix of a batch. */
	math::float4x4 transform;

	/** Kept for callers; not read by the graphics layer. */
	bool flag2;

	/** Kept for callers; not read by the graphics layer. */
	int value1;

	/** Kept for callers; not read by the graphics layer. */
	int value2;

	/** The defaults: no clipping, identity transforms, opaque, unscaled. */
	RenderState2D() :
		clipRect(-32000, -32000, 32000, 32000),
		rotation{1.f, 0.f, 0.f, 1.f},
		translation(0.f, 0.f),
		scale(1.f, 1.f),
		pivot(0.f, 0.f),
		offset2(0.f, 0.f),
		alpha(1.f),
		colorSaturation(1.f),
		angle(0.f),
		worldSpace(false),
		transform(1.f),
		flag2(true),
		value1(1),
		value2(5)
	{
	}
};

} // gr
