#pragma once

#include <gr/Context.h>
#include <gr/SortBuffer.h>
#include <math/float4.h>
#include <math/float4x4.h>
#include <vector>

namespace gr
{
namespace gl
{

struct GL_Backend;

/**
 * What a primitive needs of the rendering context that created it: the
 * extension test, the statistics it adds its draws to, the sort data and
 * scratch space of triangle sorting, and the back end. The back ends'
 * contexts implement it (the sort accessors have the names and signatures the effect shaders
 * use, so one implementation serves both).
 */
class GL_PrimitiveHost
{
public:
	virtual ~GL_PrimitiveHost() {}

	/** True when the named GL extension is available (whole-word match). */
	virtual bool isExtensionSupported(char const* name) const = 0;

	/** Counters that draws add to. */
	virtual Context::Statistics& renderStatistics() = 0;

	/** Scratch arrays lent to the triangle sorts. */
	virtual SortBuffer& sortBuffer() = 0;

	/** Camera position for distance sorts. */
	virtual math::float4& sortCameraPosition() = 0;

	/** World transform for distance sorts. */
	virtual math::float4x4& sortWorldTransform() = 0;

	/** Bone transforms for distance sorts of skinned primitives. */
	virtual std::vector<math::float4x4>& sortBoneTransforms() = 0;

	/** Called after every draw call of a primitive; does nothing unless the host wants to know. */
	virtual void drawCallIssued() {}

	/** The back end the primitives belong to. */
	virtual GL_Backend const& glBackend() const = 0;
};

} // gl
} // gr
