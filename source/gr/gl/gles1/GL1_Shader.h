#pragma once

#include <gr/BaseTexture.h>
#include <gr/Shader.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <math/float4.h>
#include <math/float4x4.h>
#include <string>

namespace gr
{
namespace gles1
{

class GL_Context;

/**
 * Base of the shaders of the OpenGL ES 1.1 back end, which has no
 * programmable shaders. Holds the operations that mean nothing there:
 * techniques always exist and selecting one does nothing, named matrices,
 * matrix arrays, named vectors and named floats are ignored, getters return
 * null or zero, and the shader is always enabled. Typed texture, vector and
 * float parameters go to the named forms under their parameter names.
 */
class GL_Shader : public Shader
{
public:
	void setTechnique(char const*) override {}

	/** Always true: every shader has one technique. */
	bool hasTechnique(char const*) override { return true; }

	void setTexture(ParamType param, BaseTexture* texture) override;
	void setTexture(char const* name, BaseTexture* texture) override = 0;
	void setMatrix(char const*, math::float4x4 const&) override {}
	void setMatrixArray(ParamType, math::float4x4**, int) override {}
	void setVector(ParamType param, math::float4 const& value) override;
	void setVector(char const*, math::float4 const&) override {}
	void setFloat(ParamType param, float value) override;
	void setFloat(char const*, float) override {}

	BaseTexture* getTexture(char const*) override { return nullptr; }
	math::float4x4 getMatrix(char const*) override { return math::float4x4(); }
	math::float4 getVector(char const*) override { return math::float4(0.f, 0.f, 0.f, 0.f); }
	float getFloat(char const*) override { return 0.f; }

	bool enabled() const override { return true; }
};

/**
 * A fixed-function shader: flag bits choose the colour source, lighting,
 * texturing, depth and culling, and a blend factor pair chooses blending
 * (GL_ONE / GL_ZERO: blending off). Shaders are made by cloning the
 * context's built-in templates; a clone shares its template's flags, blend
 * pair, sort mode and in-begin mark, and has its own parameters.
 *
 * Parameters: textures "BASEMAP" (texture unit 0) and "BASEMAP1" (unit 1,
 * an alpha mask); colours "AMBIENTC", "DIFFUSEC", "SPECULARC"; "SCALEBIAS"
 * (vertex position scale and bias, applied in the model-view matrix); floats
 * "LINE_WIDTH" and "ALPHA_FACTOR"; typed LIGHTP0..7 and LIGHTC0..7 (one
 * light), CAMERAP (sort camera), and, between begin() and end(), the
 * matrices PROJTM, VIEWTM and WORLDTM, which go to the context.
 *
 * Textures are held by counted reference. Main thread only.
 */
class GL_Shader_Default : public GL_Shader
{
public:
	/** Flag bits of a shader. */
	enum Flags
	{
		/** Colour from "DIFFUSEC" (colour material on); otherwise white. */
		SHADER_CONSTANT_COLOR = 0x1000,
		/** Light 0 from the light and material parameters. */
		SHADER_LIGHTING = 0x2000,
		/** "BASEMAP" on unit 0 and "BASEMAP1" on unit 1 when set. */
		SHADER_TEXTURE = 0x4000,
		/** Depth test and depth writes off. */
		SHADER_NO_DEPTH = 0x8000,
		/** Face culling off. */
		SHADER_TWO_SIDED = 0x10000,
	};

	/** What a template shares with its clones. */
	class Shared : public lang::Object
	{
	public:
		GL_Context* context;
		int flags;
		int priority;
		unsigned int blendSrc;
		unsigned int blendDst;
		SortType sort;
		bool inBegin;

		Shared(GL_Context* context_, int flags_);
	};

	/**
	 * A new template with its own shared record: the given flags, blending
	 * off, sort mode 0; every colour and light value unset, scale-bias
	 * (1, 0, 0, 0), line width 1, alpha factor 1.
	 * @param context The owning context, not owned; must outlive the shader.
	 */
	GL_Shader_Default(GL_Context* context, std::string const& name, int flags);

	~GL_Shader_Default() override;

	/** Sets the blend pair of the template and of all its clones. */
	void setBlend(unsigned int src, unsigned int dst);

	/** Same shared record, copies of every parameter. */
	Shader* clone() const override;

	using GL_Shader::setTexture;
	using GL_Shader::setMatrix;
	using GL_Shader::setFloat;

	void setTexture(char const* name, BaseTexture* texture) override;

	/** Only between begin() and end(): PROJTM, VIEWTM and WORLDTM go to the context. */
	void setMatrix(ParamType param, math::float4x4 const& value) override;

	void setVector(ParamType param, math::float4 const& value) override;
	void setVector(char const* name, math::float4 const& value) override;
	void setFloat(char const* name, float value) override;

	/** Flushes the context's 2D batch, marks the template in-begin; one pass. */
	int begin() override;

	/** Applies the fixed-function GL state of the shader. */
	void beginPass(int pass) override;

	void endPass() override {}

	/** Clears the in-begin mark (for every clone). */
	void end() override;

	void setName(std::string const& name) override { m_name = name; }
	void setSort(SortType sort) override;
	int priority() const override;
	SortType sort() const override;
	std::string const& name() const override { return m_name; }

	/** The record shared with the template and its clones. */
	Shared const& shared() const { return *m_shared; }

private:
	lang::Ptr<Shared> m_shared;
	lang::Ptr<BaseTexture> m_baseMap;
	lang::Ptr<BaseTexture> m_baseMap1;
	math::float4 m_lightPos0;
	math::float4 m_lightDiffuse0;
	math::float4 m_ambient;
	math::float4 m_diffuse;
	math::float4 m_specular;
	math::float4 m_scaleBias;
	float m_lineWidth;
	bool m_lineWidthSet;
	float m_alphaFactor;
	std::string m_name;

	GL_Shader_Default(GL_Shader_Default const& other);
	GL_Shader_Default& operator=(GL_Shader_Default const&) = delete;
};

/**
 * Registers the thirteen built-in templates with the context ("unlit-plain",
 * "unlit-tex", "unlit-tex-alpha", "diff-plain", "diff-tex", "diff-tex-alpha",
 * "sprite", "sprite-alpha", "sprite-straightalpha", "sprite-plain",
 * "sprite-alphaplain", "sprite-alpha-reversed", "lines-debug").
 */
void createShadersTemplates(GL_Context* context);

} // gles1
} // gr
