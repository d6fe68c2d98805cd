#pragma once

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
namespace gl
{

/**
 * What the rendering contexts of both back ends share: textures, images and
 * primitives (with the pool of dynamic primitives), the 2D render state and
 * the single 2D render batcher, the 2D lines, quads and circles (transformed on
 * the CPU into normalised device coordinates, z 0.001), viewport, clipping,
 * render targets, clearing, frame capture, texture shadowing and the named
 * snapshots of the GL state shadow. The back end's GL_Context adds its
 * shaders and colours.
 *
 * The GL context must be current when the context is created and whenever
 * it is used. Main thread only.
 */
class GL_ContextBase :
	public Context,
	public GL_TextureHost,
	public GL_PrimitiveHost
{
public:
	/** Texture read from a bundle file with all its mip levels. */
	Texture* createTexture(std::string const& filename) override;

	/** Empty texture in the back end's compatible format. */
	Texture* createTexture(int width, int height, int mipLevels, SurfaceFormat const& format, int flags) override;

	/** @exception GraphicsException "Cube textures not supported". */
	Texture* createCubeTexture(std::string const& filename) override;

	/** Image read from a stream with all its mip levels. */
	Image* createImage(io::InputStream& in, std::string const& name) override;

	/**
	 * Empty image in the back end's compatible format. In OpenGL ES 1.1
	 * without a non-power-of-two extension its texture is rounded up to
	 * powers of two.
	 */
	Image* createImage(int width, int height, int mipLevels, SurfaceFormat const& format, UsageFlags usage) override;

	Primitive* createPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices, UsageFlags usage) override;

	/** First pooled primitive that fits; a new one sized up to multiples of 32 otherwise. */
	Primitive* getDynamicPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices) override;

	void begin2D() override {}
	void end2D() override {}

	/**
	 * One batched line; nothing when the end points are equal. The width
	 * (across the line, scaled by the 2D state) is at least 1 pixel and is
	 * capped at 65,536.
	 */
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
	OrientationType orientation() const override { return m_orientation; }
	bool ready() const override { return true; }
	std::string const& shaderPath() const override { return m_shaderPath; }

	void setRenderState2D(RenderState2D const& state) override { m_renderState2D = state; }

	/** Flushes the batch and sets the GL viewport (y counted from the target's bottom). */
	void setViewport(Rect const& rect) override;

	/** Flushes the batch, enables scissoring and sets the scissor box (negative sizes as 0). */
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
	void capture(Image* image) override = 0;

	/** Flushes the batch and swaps the front face between CW and CCW. */
	void flipWindingOrder() override;

	/** Draws the pending 2D batch. */
	void flush() override;

	/** With texture shadowing on: frees every shadowed texture before a loss of the GL context. */
	void hibernateContext() override;

	/** With texture shadowing on: re-creates and refills every shadowed texture. */
	void resumeContext() override;

	/** The 2D batcher. */
	GL_RenderBatcher& getBatcher() { return m_batcher; }

	/** Most images one 2D batch takes (the forms of multiImageShader go up to it). */
	static constexpr int MAX_BATCH_IMAGES = 16;

	/**
	 * The form of a built-in sprite shader that draws a batch of several
	 * images (2 up to MAX_BATCH_IMAGES) in one call: the same drawing, each
	 * quad taking the image its vertices name. The form has
	 * multiImageFormSize(images) samplers, BASEMAP then BASEMAP2,
	 * BASEMAP3, ..; texture coordinates 1 carry the image's index among
	 * them in x (0 for BASEMAP). Null for any other shader, for more images
	 * than the context's fragment texture units or MAX_BATCH_IMAGES, on a
	 * back end without these forms, or when the form's effect cannot be
	 * loaded from the shader path (then not tried again).
	 */
	Shader* multiImageShader(Shader* shader, int images);

	/**
	 * The form of a built-in sprite shader (one image or a form of
	 * multiImageShader) that skips the grey mix where colorSaturation is 1
	 * and the alpha factor where alpha is 1: the same bytes with less work
	 * per fragment. shader itself for any other shader or values, on a back
	 * end without these forms, or when the form's effect cannot be loaded
	 * from the shader path (then not tried again).
	 */
	Shader* fragmentForm(Shader* shader, float colorSaturation, float alpha);

	/**
	 * Samplers of the form of multiImageShader that draws images (2 up to
	 * MAX_BATCH_IMAGES): the least of 2, 4, 8 and 16 not below images.
	 */
	static int multiImageFormSize(int images);

	/** The back end's built-in shader for untextured opaque 2D items, created on first use. */
	Shader* getPlainShader();

	/** The built-in shader for untextured translucent 2D items. */
	Shader* getPlainAlphaShader();

	/** The built-in shader for opaque images. */
	Shader* getSpriteShader();

	/** The built-in shader for translucent images. */
	Shader* getSpriteAlphaShader();

	/** Whether the named GL extension is available (whole-word match); the back end answers. */
	bool isExtensionSupported(char const* name) const override = 0;

	/** Takes a texture off the shadowed-texture list. */
	void removeTexture(GL_Texture* texture);

	/** The shadowed-texture list and the switch that turns shadowing on. */
	GL_TextureShadowing& textureShadowing() override { return m_textureShadowing; }

	/** The switch of textureShadowing(). */
	bool isTextureShadowingEnabled() const override { return m_textureShadowing.enabled(); }

	/** The back end this context belongs to. */
	GL_Backend const& glBackend() const override { return *m_backend; }

	Context::Statistics& renderStatistics() override { return statistics; }
	SortBuffer& sortBuffer() override { return m_sortBuffer; }
	math::float4& sortCameraPosition() override { return m_sortCameraPosition; }
	math::float4x4& sortWorldTransform() override { return m_sortWorldTransform; }
	std::vector<math::float4x4>& sortBoneTransforms() override { return m_sortBoneTransforms; }

	/**
	 * Hands the queued commands to the GL (glFlush) after every
	 * DRAWS_PER_SUBMIT draw calls of a frame (counted from the last
	 * present() or clear of the colour buffer). A software rasteriser
	 * keeps a copy of the fragment state (tens of kilobytes) for every draw whose texture or
	 * uniforms differ from the last, all in fresh memory until the frame
	 * ends; submitting in slices bounds that memory. A submission in the
	 * middle of a frame costs the rasteriser far more than the memory does,
	 * though: 1,000 blended sprites drawn a call each (the sprite benchmark,
	 * all-threads CPU time a frame, 64 x 64 pixels of 2 and of 8 images)
	 * cost 71.6 and 61.7 ms submitted every 64 draws, 69.5 and 68.3 ms
	 * every 256, and 52.6 and 54.1 ms in one piece (the bare GL's floor
	 * 47.9 and 48.9 ms); and counted across frames, one submission every
	 * fourth frame still took 16 x 16 and 32 x 32 ones of 8 images from
	 * 13.1 and 19.7 ms to 19.2 and 27.4 ms. So only frames of more draws
	 * than a scene ever makes here are sliced; a hardware driver queues
	 * the slices as it would the frame.
	 */
	void drawCallIssued() override;

	/** Draw calls between two submissions of drawCallIssued(). */
	static constexpr int DRAWS_PER_SUBMIT = 4096;

protected:
	/** Slots of the built-in 2D shaders. */
	enum BuiltinShader
	{
		BUILTIN_PLAIN,
		BUILTIN_PLAIN_ALPHA,
		BUILTIN_SPRITE,
		BUILTIN_SPRITE_ALPHA,
		/** The forms of BUILTIN_SPRITE for 2, 4, 8 and 16 images. */
		BUILTIN_SPRITE_IMAGES2,
		BUILTIN_SPRITE_IMAGES4,
		BUILTIN_SPRITE_IMAGES8,
		BUILTIN_SPRITE_IMAGES16,
		/** The forms of BUILTIN_SPRITE_ALPHA for 2, 4, 8 and 16 images. */
		BUILTIN_SPRITE_ALPHA_IMAGES2,
		BUILTIN_SPRITE_ALPHA_IMAGES4,
		BUILTIN_SPRITE_ALPHA_IMAGES8,
		BUILTIN_SPRITE_ALPHA_IMAGES16,
		BUILTIN_COUNT
	};

	GL_Backend const* m_backend;
	std::vector<math::float4x4> m_sortBoneTransforms;
	math::float4x4 m_sortWorldTransform;
	math::float4 m_sortCameraPosition;
	SortBuffer m_sortBuffer;
	std::vector<lang::Ptr<GL_Primitive>> m_dynamicPrimitives;
	GL_RenderBatcher m_batcher;
	RenderState2D m_renderState2D;
	math::float4x4 m_projection;
	math::float3x4 m_customModelTransform;
	bool m_customModelTransformEnabled;
	Rect m_viewport;
	int m_width;
	int m_height;
	unsigned int m_frontFace;
	OrientationType m_orientation;
	Texture* m_renderTarget;
	float m_time;
	math::float2 m_fovScaleBias;
	std::string m_shaderPath;
	lang::Ptr<Shader> m_builtinShaders[BUILTIN_COUNT];
	/** Built-in shaders whose effect could not be loaded (multi-image forms only). */
	bool m_builtinMissing[BUILTIN_COUNT] = {};
	/** Fragment forms of fragmentForm, by sprite slot (from BUILTIN_SPRITE) and form less one. */
	static constexpr int SPRITE_SLOTS = BUILTIN_COUNT - BUILTIN_SPRITE;
	static constexpr int FRAGMENT_FORMS = 3;
	lang::Ptr<Shader> m_fragmentForms[SPRITE_SLOTS][FRAGMENT_FORMS];
	/** Fragment forms whose effect could not be loaded. */
	bool m_fragmentFormMissing[SPRITE_SLOTS][FRAGMENT_FORMS] = {};
	/** The GL's fragment texture units, queried on first use (0 before). */
	int m_fragmentTextureUnits = 0;
	GL_TextureShadowing m_textureShadowing;
	void (*m_present)();
	int m_drawsSinceSubmit;

	/**
	 * Applies the initial GL state (front face CW, depth test on, the
	 * default state record) and sets the viewport to the whole target.
	 * @param backend The back end of the context, living as long as the program.
	 * @param width Back-buffer width in pixels (already swapped for the orientation).
	 * @param height Back-buffer height in pixels.
	 * @param present Called by present() to show the frame; may be null.
	 */
	GL_ContextBase(GL_Backend const& backend, int width, int height, OrientationType orientation, void (*present)());

	/**
	 * Drops the pending batch, the built-in shaders and the dynamic
	 * primitives; the back end's destructor calls it before it lets go of
	 * its own shaders.
	 */
	void releaseResources();

	/** The built-in shader of a slot, created on first use; null where the back end has none. */
	Shader* builtinShader(BuiltinShader which);

	/** Height of the render target (the back buffer's without one). */
	int targetHeight() const;

	/** Size of the render target (the back buffer's without one). */
	void targetSize(int* w, int* h) const;

	/**
	 * The point (x, y) + (u, v) of the 2D render state (rotated about the
	 * pivot, translated, scaled) in normalised device coordinates, z 0.001.
	 */
	void transform2D(float x, float y, float u, float v, math::float3* out) const;

	/** True when the bounding box of the points overlaps the square -1..1. */
	static bool touchesScreen(math::float3 const* positions, int count);

	/**
	 * Adds count points (2 a line, 4 a quad) in colour to the batch, with
	 * the built-in untextured shaders; lineWidth applies to lines.
	 */
	virtual void submitShape(GL_RenderBatcher::Type type, unsigned color, math::float3 const* positions, int count, int lineWidth) = 0;

	/** Flushes the batch and reads the frame into pixels (A8B8G8R8, top row first). */
	void readFrame(std::vector<unsigned char>& pixels, int* width, int* height);

private:
	GL_ContextBase(GL_ContextBase const&) = delete;
	GL_ContextBase& operator=(GL_ContextBase const&) = delete;
};

} // gl
} // gr
