#pragma once

#include <gr/gl/gles1/GL1_State.h>
#include <gr/gl/GL_ContextBase.h>
#include <gr/gl/GLBackends.h>
#include <map>
#include <string>

namespace gr
{
namespace gles1
{

class GL_Shader;

/**
 * The OpenGL ES 1.1 (fixed-function) rendering context. Creates shaders by
 * cloning its built-in templates, textures, images and primitives; keeps a
 * pool of dynamic primitives, the built-in 2D shaders (templates
 * "sprite-plain", "sprite-alphaplain", "sprite" and "sprite-alpha" under
 * the shader path), the 2D render state and the single 2D render batcher
 * through which lines, rectangles, circles and image quads are drawn. 2D
 * shapes are transformed on the CPU into normalised device coordinates
 * (z 0.001). World, view and projection
 * matrices are kept here and loaded into the GL matrix stacks by the
 * fixed-function shaders.
 *
 * The GL context must be current when the context is created and whenever
 * it is used. Main thread only.
 */
class GL_Context : public GL_ContextBase
{
public:
	/**
	 * As GL_ContextBase: applies the initial GL state and sets the
	 * viewport. The templates are registered by GL_createContext.
	 */
	GL_Context(int width, int height, OrientationType orientation, void (*present)());

	~GL_Context() override;

	/**
	 * A clone of the template named by the base name of name (folder and
	 * suffix are ignored); flags are ignored.
	 * @exception GraphicsException "Shader template {0} not found".
	 */
	Shader* createShader(std::string const& name, int flags) override;

	PlatformType platform() const override { return PLATFORM_GLES1; }

	/** Stores the projection and loads it into the GL projection matrix. */
	void setProjection(math::float4x4 const& proj) override;

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

	/**
	 * Registers shader (a GL_Shader_Default) as the template of its name(),
	 * replacing an earlier template of that name.
	 */
	void addShaderTemplate(Shader* shader);

	/** Stores the world matrix; the model-view product is formed when next applied. */
	void setWorldMatrix(math::float4x4 const& m);

	/** Stores the view matrix; the model-view product is formed when next applied. */
	void setViewMatrix(math::float4x4 const& m);

	/**
	 * Loads view x world x T x S into the GL model-view matrix, where S
	 * scales by scaleBias.x and T translates by (scaleBias.y, scaleBias.z,
	 * scaleBias.w): the vertex position scale and bias of a primitive.
	 */
	void applyModelViewMatrix(math::float4 const& scaleBias);

	/** Loads the view matrix alone into the GL model-view matrix. */
	void applyViewMatrix();

	/**
	 * Whole-word search of the GL extension string, as changed by
	 * setExtensionOverride.
	 */
	bool isExtensionSupported(char const* name) const override;

	/**
	 * Makes isExtensionSupported answer available for name, whatever the
	 * GL reports (a switch for tests and for working around drivers).
	 */
	void setExtensionOverride(std::string const& name, bool available);

	/** The last world matrix given. */
	math::float4x4 const& worldMatrix() const { return m_world; }

	/** The last view matrix given. */
	math::float4x4 const& viewMatrix() const { return m_view; }

protected:
	/**
	 * Vertex colours replace the shader's colour in the fixed-function
	 * pipeline, so the alpha of the 2D state is applied to them here; the
	 * shader follows the colour's and the state's alpha.
	 */
	void submitShape(GL_RenderBatcher::Type type, unsigned color, math::float3 const* positions, int count, int lineWidth) override;

private:
	std::map<std::string, lang::Ptr<Shader>> m_templates;
	math::float4x4 m_modelView;
	math::float4x4 m_world;
	math::float4x4 m_view;
	bool m_modelViewDirty;
	std::map<std::string, bool> m_extensionOverrides;
	std::map<std::string, GL_State> m_cachedStates;

	void loadModelView(math::float4x4 const& m);
};

} // gles1
} // gr
