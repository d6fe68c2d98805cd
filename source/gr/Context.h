#pragma once

#include <gr/Primitive.h>
#include <gr/Rect.h>
#include <gr/RenderState2D.h>
#include <gr/SurfaceFormat.h>
#include <io/FileFormat.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <math/float2.h>
#include <math/float3x4.h>
#include <math/float4.h>
#include <math/float4x4.h>
#include <string>

namespace io
{
class InputStream;
class OutputStream;
}

namespace gr
{

class Image;
class Shader;
class Texture;

/**
 * The abstract rendering context: factory of shaders, textures, images and
 * primitives, owner of the 2D drawing calls, viewport, clip rectangle,
 * projection and model transforms, scene brackets, present, clear and
 * capture. Created objects are returned with a reference count of 0; the
 * caller owns them through lang::Ptr.
 */
class Context : public lang::Object
{
public:
	/** Which back end implements the context. */
	enum PlatformType
	{
		PLATFORM_GLES1 = 0,
		PLATFORM_GLES2 = 1,
	};

	/** Display orientation; 1 and 3 swap width and height. */
	enum OrientationType
	{
		ORIENTATION_0 = 0,
		ORIENTATION_1 = 1,
		ORIENTATION_2 = 2,
		ORIENTATION_3 = 3,
	};

	/** Flags of createImage and createPrimitive; an int, since flags combine and unnamed ones pass through. */
	enum UsageFlags : int
	{
		/** What the file loaders pass for their textures and images. */
		USAGE_STATIC = 2,
		/** Data stays in system memory and is sent at each draw. */
		USAGE_SYSMEM = 4,
	};

	/** Counters of created and drawn objects; the graphics layer only adds. */
	struct Statistics
	{
		enum
		{
			COUNTER_UNUSED0 = 0,
			COUNTER_UNUSED1 = 1,
			COUNTER_VERTICES = 2,
			COUNTER_TRIANGLES = 3,
			COUNTER_DRAWCALLS = 4,
			COUNTER_IMAGEQUADS = 5,
			COUNTER_IMAGEBATCHES = 6,
			COUNTER_TEXTUREBYTES = 7,
			COUNTER_TEXTURES = 8,
			COUNTER_IMAGEBYTES = 9,
			COUNTER_IMAGES = 10,
			COUNTER_COUNT = 11
		};

		int counters[COUNTER_COUNT];

		Statistics() { reset(); }

		/** Sets all counters to 0. */
		void reset();
	};

	/**
	 * Scoped scene: holds a counted reference to the context, calls
	 * beginScene() at construction and endScene() at destruction.
	 */
	class RenderScene
	{
	public:
		explicit RenderScene(Context* context);
		~RenderScene();

		RenderScene(RenderScene const&) = delete;
		RenderScene& operator=(RenderScene const&) = delete;

	private:
		lang::Ptr<Context> m_context;
	};

	/** Counters, reset by the caller once per frame. */
	Statistics statistics;

	Context();
	~Context() override;

	/** New shader for the named effect or template; throws when unresolved. */
	virtual Shader* createShader(std::string const& name, int flags) = 0;

	/** Texture read from an image file. */
	virtual Texture* createTexture(std::string const& filename) = 0;

	/** Empty texture (render targets included). */
	virtual Texture* createTexture(int width, int height, int mipLevels, SurfaceFormat const& format, int flags) = 0;

	/** Cube textures; the back ends throw GraphicsException. */
	virtual Texture* createCubeTexture(std::string const& filename) = 0;

	/** Image read from a stream; name selects the file format. */
	virtual Image* createImage(io::InputStream& in, std::string const& name) = 0;

	/** Empty image. */
	virtual Image* createImage(int width, int height, int mipLevels, SurfaceFormat const& format, UsageFlags usage) = 0;

	/** New primitive. */
	virtual Primitive* createPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices, UsageFlags usage) = 0;

	/**
	 * Primitive owned by the context with this type and format and at
	 * least these capacities, reused from call to call.
	 */
	virtual Primitive* getDynamicPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices) = 0;

	virtual void begin2D() = 0;
	virtual void end2D() = 0;

	/** One line of the given width; colours are A8R8G8B8 words. */
	virtual void drawLine2D(unsigned color, int x0, int y0, int x1, int y1, int width) = 0;

	/** Lines through an array of count points (x, y pairs). */
	virtual void drawLine2D(unsigned color, int* points, int count, int width) = 0;

	virtual void drawCircle2D(unsigned color, int x, int y, int radius, int width) = 0;
	virtual void fillTriangle2D(unsigned color, int x0, int y0, int x1, int y1, int x2, int y2) = 0;
	virtual void fillRect2D(unsigned color, int x, int y, int width, int height) = 0;
	virtual void fillCircle2D(unsigned color, int x, int y, int radius) = 0;
	virtual void texturizeTriangle2D(Image* image, math::float4 const& uvRect, int x0, int y0, int x1, int y1, int x2, int y2) = 0;
	virtual void texturizeRect2D(Image* image, math::float4 const& uvRect, int x, int y, int width, int height) = 0;
	virtual void texturizeCircle2D(Image* image, math::float4 const& uvRect, int x, int y, int radius) = 0;

	/** The live 2D state, changed in place by callers. */
	virtual RenderState2D& getRenderState2D() = 0;

	virtual Rect const& viewport() const = 0;

	/** Format of the back buffer. */
	virtual SurfaceFormat surfaceFormat() const = 0;

	/** Render target width in pixels. */
	virtual int width() const = 0;

	/** Render target height in pixels. */
	virtual int height() const = 0;

	/** The time last given to setTime. */
	virtual float time() const = 0;

	virtual math::float3x4 const& customModelTransform() const = 0;
	virtual bool customModelTransformEnabled() const = 0;
	virtual math::float4x4 const& projectionTransform() const = 0;
	virtual math::float2 const& getFovScaleBias() const = 0;
	virtual PlatformType platform() const = 0;
	virtual OrientationType orientation() const = 0;

	/** Whether the context can draw. */
	virtual bool ready() const = 0;

	/** Folder of effect files. */
	virtual std::string const& shaderPath() const = 0;

	virtual void setRenderState2D(RenderState2D const& state) = 0;
	virtual void setViewport(Rect const& rect) = 0;

	/** Scissor rectangle. */
	virtual void setClipRect(Rect const& rect) = 0;

	/** Null selects the back buffer. */
	virtual void setRenderTarget(Texture* target) = 0;

	virtual void setWireframeEnabled(bool enabled) = 0;
	virtual void setOrientation(OrientationType orientation) = 0;
	virtual void setFovScaleBias(math::float2 const& scaleBias) = 0;
	virtual void setCustomModelTransform(math::float3x4 const& tm) = 0;
	virtual void setCustomModelTransformEnabled(bool enabled) = 0;

	/**
	 * Builds the projection with math::float4x4::setPerspectiveProjection
	 * from the four values in this order and sets it.
	 */
	virtual void setPerspectiveProjection(float fov, float front, float back, float aspect) = 0;

	/** Sets the identity projection. */
	virtual void setOrthographicProjection() = 0;

	virtual void setProjection(math::float4x4 const& proj) = 0;
	virtual void setTime(float time) = 0;
	virtual void setShaderPath(std::string const& path) = 0;

	/**
	 * Adopts a new render size (swapped for orientations 1 and 3); when
	 * the size changes the viewport becomes the whole target.
	 */
	virtual void reset(int width, int height) = 0;

	virtual void beginScene() = 0;
	virtual void endScene() = 0;
	virtual void reloadShaders() = 0;

	/** Sends pending batched drawing, then shows the frame. */
	virtual void present() = 0;

	/** Clears the selected buffers, the colour buffer to color (A8R8G8B8). */
	virtual void clear(unsigned color, bool clearColor, bool clearDepth, bool clearStencil) = 0;

	/** Writes the frame to a file in the format its suffix selects. */
	virtual void capture(std::string const& filename) = 0;

	/** Writes the frame to a stream in the given file format. */
	virtual void capture(io::OutputStream& out, io::FileFormat fileFormat) = 0;

	/** Copies the frame into an image. */
	virtual void capture(Image* image) = 0;

	/** Swaps the front-face winding. */
	virtual void flipWindingOrder() = 0;

	/** Sends pending batched drawing. */
	virtual void flush() = 0;

	/** Releases GL resources before a loss of the GL context; empty here. */
	virtual void hibernateContext() {}

	/** Rebuilds GL resources after a loss of the GL context; empty here. */
	virtual void resumeContext() {}

	/** Keeps a named snapshot of the state shadow; empty here. */
	virtual void saveCachedState(std::string const& name);

	/** Restores a named snapshot of the state shadow; empty here. */
	virtual void restoreCachedState(std::string const& name);

	/** Forgets what the state shadow believes; empty here. */
	virtual void resetCachedState() {}

	/** Image read from a file of the application bundle. */
	Image* createImagefromBundle(std::string const& name);

	/** Whether texture uploads are kept for replay after a context loss; off unless a back end turns it on. */
	virtual bool isTextureShadowingEnabled() const { return m_textureShadowing; }

private:
	bool m_textureShadowing;
};

} // gr
