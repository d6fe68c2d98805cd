#pragma once

namespace math
{
class float4x4;
}

namespace gr
{

class Shader;

namespace gl
{

class GL_StateBase;
class GL_VertexStreams;

/**
 * What tells the two OpenGL ES back ends apart where the GL code they
 * share works: the back end's state shadow and the calls on it that differ,
 * the frame and render buffer entry points (core in OpenGL ES 2.0, the OES
 * forms in 1.1; the enum values are the same), a few limits and the 2D
 * effects of the back end. Each back end has one, living as long as the
 * program; the shared objects keep a pointer to their back end's.
 */
struct GL_Backend
{
	/** The back end's process-wide GL state shadow (its GL_State::sm_current). */
	GL_StateBase* shadow;

	/** The back end's GL_State::scissor (through the shadow). */
	void (*scissor)(int x, int y, int width, int height);

	/** Applies a default record of the back end's GL_State with force. */
	void (*beginDefaultState)();

	/** How the components of primitives reach the GL. */
	GL_VertexStreams* vertexStreams;

	void (*genFramebuffers)(int n, unsigned int* names);
	void (*bindFramebuffer)(unsigned int target, unsigned int name);
	void (*deleteFramebuffers)(int n, unsigned int const* names);
	void (*framebufferTexture2D)(unsigned int target, unsigned int attachment, unsigned int textureTarget, unsigned int texture, int level);
	unsigned int (*checkFramebufferStatus)(unsigned int target);
	void (*genRenderbuffers)(int n, unsigned int* names);
	void (*bindRenderbuffer)(unsigned int target, unsigned int name);
	void (*deleteRenderbuffers)(int n, unsigned int const* names);
	void (*renderbufferStorage)(unsigned int target, unsigned int internalFormat, int width, int height);
	void (*framebufferRenderbuffer)(unsigned int target, unsigned int attachment, unsigned int renderbufferTarget, unsigned int renderbuffer);

	/** glGetIntegerv name of the texture units that a texture is unbound from before it goes. */
	unsigned int textureUnitsQuery;

	/** glGetIntegerv name of the texture units a fragment may sample; 0 for one unit. */
	unsigned int fragmentTextureUnitsQuery;

	/** Alpha of the colour a new render target is cleared to (red 1, green 0, blue 1). */
	float newTargetAlpha;

	/** Image textures are rounded up to powers of two unless the GL has a non-power-of-two extension. */
	bool powerOfTwoImages;

	/** Names of the built-in 2D effects by GL_ContextBase::BuiltinShader; null where there is none. */
	char const* const* builtinShaderNames;

	/** The sprite effects have fragment forms ("-s1", "-a1", "-s1a1"; GL_ContextBase::fragmentForm). */
	bool fragmentForms;

	/** An A8R8G8B8 colour as red, green, blue and alpha of 0 to 1. */
	void (*colorToFloats)(unsigned color, float rgba[4]);

	/** Sets the matrices of a 2D batch drawn with transform, under projection, on shader. */
	void (*setBatchMatrices)(Shader& shader, math::float4x4 const& projection, math::float4x4 const& transform);

	/** Called after each pass of a 2D batch began; hasColors: the batch's vertices carry colours. */
	void (*batchPassBegun)(bool hasColors);
};

} // gl
} // gr
