#pragma once

// The shared GL_* headers below take their namespace from GR_GLES: this
// header belongs to the OpenGL ES 1.1 back end.
#if !defined(GR_GLES)
#define GR_GLES 1
#elif GR_GLES != 1
#error "GL1_Context.h belongs to the OpenGL ES 1.1 back end (GR_GLES 1)"
#endif

#include "GL1_State.h"
#include "GL_Primitive.h"
#include "GL_RenderBatcher.h"
#include "GL_Texture.h"
#include <gr/Context.h>
#include <gr/SortBuffer.h>
#include <lang/Ptr.h>
#include <math/float3x4.h>
#include <map>
#include <string>
#include <vector>

namespace gr
{
namespace gles1
{

class GL_Shader;

/**
 * The OpenGL ES 1.1 (fixed-function) rendering context. Creates shaders by
 * cloning its built-in templates, textures, images and primitives; keeps a
 * pool of dynamic primitives, the built-in 2D shaders, the 2D render state
 * and the single 2D render batcher through which lines, rectangles, circles
 * and image quads are drawn. 2D shapes are transformed on the CPU into
 * normalised device coordinates (z 0.001). World, view and projection
 * matrices are kept here and loaded into the GL matrix stacks by the
 * fixed-function shaders.
 *
 * The GL context must be current when the context is created and whenever
 * it is used. Main thread only.
 */
class GL_Context :
	public Context,
	public GL_TextureHost,
	public GL_PrimitiveHost
{
public:
	/**
	 * Applies the initial GL state (front face CW, depth test on, the
	 * default state record) and sets the viewport to the whole target.
	 * The templates are registered by GL_createContext.
	 * @param width Back-buffer width in pixels (already swapped for the orientation).
	 * @param height Back-buffer height in pixels.
	 * @param present Called by present() to show the frame; may be null.
	 */
	GL_Context(int width, int height, OrientationType orientation, void (*present)());

	~GL_Context() override;

	/**
	 * A clone of the template named by the base name of name (folder and
	 * suffix are ignored); flags are ignored.
	 * @exception GraphicsException "Shader template {0} not found".
	 */
	Shader* createShader(std::string const& name, int flags) override;

	/** Texture read from a bundle file with all its mip levels. */
	Texture* createTexture(std::string const& filename) override;

	/** Empty texture in the back end's compatible format. */
	Texture* createTexture(int width, int height, int mipLevels, SurfaceFormat const& format, int flags) override;

	/** @exception GraphicsException "Cube textures not supported". */
	Texture* createCubeTexture(std::string const& filename) override;

	/** Image read from a stream with all its mip levels. */
	Image* createImage(io::InputStream& in, std::string const& name) override;

	/**
	 * Empty image in the back end's compatible format. Without a
	 * non-power-of-two extension its texture is rounded up to powers of two.
	 */
	Image* createImage(int width, int height, int mipLevels, SurfaceFormat const& format, UsageFlags usage) override;

	Primitive* createPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices, UsageFlags usage) override;

	/** First pooled primitive that fits; a new one sized up to multiples of 32 otherwise. */
	Primitive* getDynamicPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices) override;

	void begin2D() override {}
	void end2D() override {}

	/** One batched line; nothing when the end points are equal. At least 1 pixel wide. */
	void drawLine2D(unsigned color, int x0, int y0, int x1, int y1, int width) override;

	void drawLine2D(unsigned, int*, int, int) override {}
	void drawCircle2D(unsigned, int, int, int, int) override {}
	void fillTriangle2D(unsigned, int, int, int, int, int, int) override {}

	/** One batched quad. */
	void fillRect2D(unsigned color, int x, int y, int width, int height) override;

	/** Sixteen batched quads around the centre. */
	void fillCircle2D(unsigned color, int x, int y, int radius) override;

	void texturizeTriangle2D(Image*, math::float4 const&, int, int, int, int, int, int) override {}
	void texturizeRect2D(Image*, math::float4 const&, int, int, int, int) override {}
	void texturizeCircle2D(Image*, math::float4 const&, int, int, int) override {}

	RenderState2D& getRenderState2D() override { return m_renderState2D; }
	Rect const& viewport() const override { return m_viewport; }

	/** B8G8R8. */
	SurfaceFormat surfaceFormat() const override { return SurfaceFormat::SURFACE_B8G8R8; }

	int width() const override { return m_width; }
	int height() const override { return m_height; }
	float time() const override { return m_time; }
	math::float3x4 const& customModelTransform() const override { return m_customModelTransform; }
	bool customModelTransformEnabled() const override { return m_customModelTransformEnabled; }
	math::float4x4 const& projectionTransform() const override { return m_projection; }
	math::float2 const& getFovScaleBias() const override { return m_fovScaleBias; }
	PlatformType platform() const override { return PLATFORM_GLES1; }
	OrientationType orientation() const override { return m_orientation; }
	bool ready() const override { return true; }
	std::string const& shaderPath() const override { return m_shaderPath; }

	void setRenderState2D(RenderState2D const& state) override { m_renderState2D = state; }

	/** Flushes the batch and sets the GL viewport (y counted from the target's bottom). */
	void setViewport(Rect const& rect) override;

	/** Flushes the batch, enables scissoring and sets the scissor box. */
	void setClipRect(Rect const& rect) override;

	/** Flushes the batch, binds the target's frame buffer (null: the back buffer) and resets the viewport. */
	void setRenderTarget(Texture* target) override;

	void setWireframeEnabled(bool) override {}
	void setOrientation(OrientationType orientation) override { m_orientation = orientation; }
	void setFovScaleBias(math::float2 const& scaleBias) override { m_fovScaleBias = scaleBias; }
	void setCustomModelTransform(math::float3x4 const& tm) override { m_customModelTransform = tm; }
	void setCustomModelTransformEnabled(bool enabled) override { m_customModelTransformEnabled = enabled; }
	void setPerspectiveProjection(float fov, float front, float back, float aspect) override;

	/** Identity projection. */
	void setOrthographicProjection() override;

	/** Stores the projection and loads it into the GL projection matrix. */
	void setProjection(math::float4x4 const& proj) override;

	void setTime(float time) override { m_time = time; }
	void setShaderPath(std::string const& path) override { m_shaderPath = path; }

	/** New size (swapped for orientations 1 and 3); the viewport follows when it changed. */
	void reset(int width, int height) override;

	void beginScene() override {}
	void endScene() override {}
	void reloadShaders() override {}

	/** Flushes the batch, then calls the present callback. */
	void present() override;

	/** Clears within the 2D clip rectangle; a depth clear leaves depth writes off. */
	void clear(unsigned color, bool clearColor, bool clearDepth, bool clearStencil) override;

	/** Writes the frame to the file; the suffix selects the file format. */
	void capture(std::string const& filename) override;

	/**
	 * Writes the frame (top row first) as A8B8G8R8 pixels in the given file
	 * format. Pixels beyond the render target read as zero.
	 */
	void capture(io::OutputStream& out, io::FileFormat fileFormat) override;

	/**
	 * Copies the frame into image at (0, 0), converted to the image's
	 * format; null creates an A8B8G8R8 image of the target's size.
	 * @exception GraphicsException When the image is smaller than the target.
	 */
	void capture(Image* image) override;

	/** Flushes the batch and swaps the front face between CW and CCW. */
	void flipWindingOrder() override;

	/** Draws the pending 2D batch. */
	void flush() override;

	/** With texture shadowing on: frees every shadowed texture before a loss of the GL context. */
	void hibernateContext() override;

	/** With texture shadowing on: re-creates and refills every shadowed texture. */
	void resumeContext() override;

	/** Keeps a copy of the state shadow under name. No GL call. */
	void saveCachedState(std::string const& name) override;

	/** Makes the shadow what was saved under name; unknown names do nothing. No GL call. */
	void restoreCachedState(std::string const& name) override;

	/** The shadow becomes a default record. No GL call. */
	void resetCachedState() override;

	/** The 2D batcher. */
	GL_RenderBatcher& getBatcher() { return m_batcher; }

	/** Template "sprite-plain" under the shader path, created on first use. */
	Shader* getPlainShader();

	/** Template "sprite-alphaplain". */
	Shader* getPlainAlphaShader();

	/** Template "sprite". */
	Shader* getSpriteShader();

	/** Template "sprite-alpha". */
	Shader* getSpriteAlphaShader();

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

	/** Takes a texture off the shadowed-texture list. */
	void removeTexture(GL_Texture* texture);

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

	/** The shadowed-texture list and the switch that turns shadowing on. */
	GL_TextureShadowing& textureShadowing() override { return m_textureShadowing; }

	Context::Statistics& renderStatistics() override { return statistics; }
	SortBuffer& sortBuffer() override { return m_sortBuffer; }
	math::float4& sortCameraPosition() override { return m_sortCameraPosition; }
	math::float4x4& sortWorldTransform() override { return m_sortWorldTransform; }
	std::vector<math::float4x4>& sortBoneTransforms() override { return m_sortBoneTransforms; }

	/** The last world matrix given. */
	math::float4x4 const& worldMatrix() const { return m_world; }

	/** The last view matrix given. */
	math::float4x4 const& viewMatrix() const { return m_view; }

private:
	std::vector<math::float4x4> m_sortBoneTransforms;
	math::float4x4 m_sortWorldTransform;
	math::float4 m_sortCameraPosition;
	SortBuffer m_sortBuffer;
	std::map<std::string, lang::Ptr<Shader>> m_templates;
	std::vector<lang::Ptr<GL_Primitive>> m_dynamicPrimitives;
	std::map<std::string, GL_State> m_cachedStates;
	GL_RenderBatcher m_batcher;
	RenderState2D m_renderState2D;
	math::float4x4 m_projection;
	math::float4x4 m_modelView;
	math::float3x4 m_customModelTransform;
	Rect m_viewport;
	int m_width;
	int m_height;
	unsigned int m_frontFace;
	bool m_customModelTransformEnabled;
	OrientationType m_orientation;
	Texture* m_renderTarget;
	float m_time;
	math::float2 m_fovScaleBias;
	std::string m_shaderPath;
	lang::Ptr<Shader> m_plainShader;
	lang::Ptr<Shader> m_plainAlphaShader;
	lang::Ptr<Shader> m_spriteShader;
	lang::Ptr<Shader> m_spriteAlphaShader;
	GL_TextureShadowing m_textureShadowing;
	math::float4x4 m_world;
	math::float4x4 m_view;
	bool m_modelViewDirty;
	std::map<std::string, bool> m_extensionOverrides;
	void (*m_present)();

	Shader* builtinShader(lang::Ptr<Shader>& field, char const* name);
	int targetHeight() const;
	void targetSize(int* w, int* h) const;
	void loadModelView(math::float4x4 const& m);
	void transform2D(float x, float y, float u, float v, math::float3* out) const;
	void submitShape(GL_RenderBatcher::Type type, unsigned color, math::float3 const* positions, int count, int lineWidth);

	GL_Context(GL_Context const&) = delete;
	GL_Context& operator=(GL_Context const&) = delete;
};

/**
 * The OpenGL ES 1.1 rendering context for a screen of width x height
 * pixels (exchanged for orientations 1 and 3), with the built-in shader
 * templates registered. The GL context must be current.
 */
GL_Context* GL_createContext(int width, int height, Context::OrientationType orientation, void (*present)());

} // gles1
} // gr
