#pragma once

#include <gr/gl/gles2/GL2_ShaderHost.h>
#include <gr/gl/gles2/GL2_State.h>
#include <gr/gl/GL_ContextBase.h>
#include <gr/gl/GLBackends.h>
#include <map>
#include <string>

namespace gr
{
namespace gles2
{

class GL_Shader;

/**
 * The OpenGL ES 2.0 rendering context. Creates shaders from effect files
 * (parsed once per name, cloned afterwards), textures, images and
 * primitives; keeps a pool of dynamic primitives, the four built-in 2D
 * effects ("2d-vertexcolor", "2d-vertexcolor-alpha", "2d-sprite" and
 * "2d-sprite-alpha" under the shader path), the 2D render state and the
 * single 2D render batcher through which lines, rectangles, circles and
 * image quads are drawn. 2D shapes are transformed on the CPU into
 * normalised device coordinates (z 0.001).
 *
 * The GL context must be current when the context is created and whenever
 * it is used. Main thread only.
 */
class GL_Context :
	public GL_ContextBase,
	public GL_ShaderHost
{
public:
	/** As GL_ContextBase: applies the initial GL state and sets the viewport. */
	GL_Context(int width, int height, OrientationType orientation, void (*present)());

	~GL_Context() override;

	/**
	 * Effect by name: the base name is the cache key; the file is the key
	 * with ".fx" in the name's folder. A cached effect is returned as a clone.
	 * @exception GraphicsException When the effect file cannot be read or compiled.
	 */
	Shader* createShader(std::string const& name, int flags) override;

	PlatformType platform() const override { return PLATFORM_GLES2; }
	void setProjection(math::float4x4 const& proj) override { m_projection = proj; }

	/** Keeps a copy of the state shadow under name. No GL call. */
	void saveCachedState(std::string const& name) override;

	/** Makes the shadow what was saved under name; unknown names do nothing. No GL call. */
	void restoreCachedState(std::string const& name) override;

	/** The shadow becomes a default record. No GL call. */
	void resetCachedState() override;

	/** Red, green, blue and alpha (0 to 1) of an A8R8G8B8 colour. */
	static void colorToFloats(unsigned color, float rgba[4]);

	using GL_ContextBase::capture;
	void capture(Image* image) override;

	/** Whole-word search of the GL extension string. */
	bool isExtensionSupported(char const* name) const override;

	void flushBatch() override { m_batcher.flush(); }

	// The shader host asks for the same sort data as the primitives.
	math::float4& sortCameraPosition() override { return GL_ContextBase::sortCameraPosition(); }
	math::float4x4& sortWorldTransform() override { return GL_ContextBase::sortWorldTransform(); }
	std::vector<math::float4x4>& sortBoneTransforms() override { return GL_ContextBase::sortBoneTransforms(); }

protected:
	/** The colour's and the state's alpha choose between the opaque and the translucent effect. */
	void submitShape(GL_RenderBatcher::Type type, unsigned color, math::float3 const* positions, int count, int lineWidth) override;

private:
	std::map<std::string, lang::Ptr<GL_Shader>> m_shaderCache;
	std::map<std::string, GL_State> m_cachedStates;
};

} // gles2
} // gr
