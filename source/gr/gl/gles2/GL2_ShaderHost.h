#pragma once

#include <math/float4.h>
#include <math/float4x4.h>
#include <vector>

namespace gr
{
namespace gles2
{

/**
 * What an effect shader needs of the rendering context that created it:
 * the flush of the pending 2D batch before it draws, and the sort data that
 * sorting shaders leave for the primitives' triangle sorts. The context of
 * this back end implements it; a shader without a host flushes nothing and
 * keeps no sort data.
 */
class GL_ShaderHost
{
public:
	virtual ~GL_ShaderHost() {}

	/** Draws and empties the pending 2D batch. */
	virtual void flushBatch() = 0;

	/** Camera position for distance sorts. */
	virtual math::float4& sortCameraPosition() = 0;

	/** World transform for distance sorts. */
	virtual math::float4x4& sortWorldTransform() = 0;

	/** Bone transforms for distance sorts of skinned primitives. */
	virtual std::vector<math::float4x4>& sortBoneTransforms() = 0;
};

} // gles2
} // gr
