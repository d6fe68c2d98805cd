#pragma once

#include <gr/Context.h>
#include <gr/DIPrimitive.h>
#include <gr/Image.h>
#include <gr/RenderState2D.h>
#include <gr/Shader.h>
#include <gr/Texture.h>
#include <lang/Ptr.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace test
{

/** One recorded call: operation name and its arguments as text. */
struct Call
{
	std::string op;
	std::vector<std::string> args;
	/** The context's 2D render state when a 2D draw was recorded (Image.draw and the context's 2D draws); the default otherwise. */
	gr::RenderState2D state2D = gr::RenderState2D();

	/** "op(arg0, arg1, ...)". */
	std::string toString() const;
};

/**
 * Calls recorded in order. Shared by a fake context and every object it
 * hands out, so that objects may outlive the context.
 */
class CallLog
{
public:
	std::vector<Call> calls;

	void add(std::string op, std::vector<std::string> args = {}) { calls.push_back(Call{std::move(op), std::move(args)}); }

	/** A 2D draw, with the state it was drawn with (the default state without a context). */
	void addDraw(gr::Context* context, std::string op, std::vector<std::string> args)
	{
		calls.push_back(Call{std::move(op), std::move(args), context ? context->getRenderState2D() : gr::RenderState2D()});
	}
};

/** Argument texts as the fakes record them. */
std::string arg(int v);
std::string arg(unsigned v);
std::string arg(float v);
std::string arg(bool v);
std::string arg(std::string const& v);
std::string arg(char const* v);
std::string arg(math::float2 const& v);
std::string arg(math::float3 const& v);
std::string arg(math::float4 const& v);
std::string arg(gr::Rect const& v);
std::string arg(gr::SurfaceFormat const& v);
/** The fake object's name, or "null". */
std::string arg(gr::ContextObject const* obj);
/** A colour as "0xAARRGGBB". */
std::string color(unsigned argb);

/**
 * Fake texture: keeps its size, format and name and records blt as
 * "Texture.blt(name, x, y, pitch, mipLevel, width, height, format)".
 */
class FakeTexture : public gr::Texture
{
public:
	FakeTexture(std::shared_ptr<CallLog> log, std::string name, int width, int height, gr::SurfaceFormat format);

	int width() const override { return m_width; }
	int height() const override { return m_height; }
	gr::SurfaceFormat format() const override { return m_format; }
	void blt(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, gr::SurfaceFormat const& format) override;
	void clear() override;
	gr::Rect rect() const override { return gr::Rect(m_width, m_height); }
	void getData(void** data, int* size) const override;
	std::string const& getName() const override { return m_name; }
	void setName(std::string const& name) override { m_name = name; }

private:
	std::shared_ptr<CallLog> m_log;
	std::string m_name;
	int m_width;
	int m_height;
	gr::SurfaceFormat m_format;
};

/**
 * Fake image over a FakeTexture; each draw is recorded as "Image.draw"
 * with the image name first, then the arguments after the context.
 */
class FakeImage : public gr::Image
{
public:
	FakeImage(std::shared_ptr<CallLog> log, std::string name, int width, int height, gr::SurfaceFormat format);

	void draw(gr::Context* context, float x, float y, int srcX, int srcY, int srcWidth, int srcHeight, float dstWidth, float dstHeight) override;
	void draw(gr::Context* context, float x, float y, float width, float height, math::float2 const* uv) override;
	void draw(gr::Context* context, math::float3 const* positions, math::float2 const* uv, gr::Shader* shader) override;
	void draw(gr::Context* context, math::float3 const* positions, math::float2 const* uv, math::float4 const* colors, gr::Shader* shader) override;
	void blt(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, gr::SurfaceFormat const& format) override;
	void clear() override;
	int width() const override { return m_texture->width(); }
	int height() const override { return m_texture->height(); }
	gr::SurfaceFormat format() const override { return m_texture->format(); }
	void getData(void** data, int* size) const override;
	gr::Texture* getTexture() const override { return m_texture; }

	std::string const& name() const { return m_texture->getName(); }

private:
	std::shared_ptr<CallLog> m_log;
	lang::Ptr<FakeTexture> m_texture;
};

/**
 * Fake shader: keeps the parameters set on it (by name; typed parameters
 * under their type name) and records begin, beginPass, endPass, end,
 * setTechnique and the setters as "Shader.<op>(name, ...)".
 */
class FakeShader : public gr::Shader
{
public:
	FakeShader(std::shared_ptr<CallLog> log, std::string name, int passes = 1);

	Shader* clone() const override;
	void setTechnique(char const* name) override;
	bool hasTechnique(char const* name) override;
	void setTexture(ParamType param, gr::BaseTexture* texture) override;
	void setTexture(char const* name, gr::BaseTexture* texture) override;
	void setMatrix(ParamType param, math::float4x4 const& value) override;
	void setMatrix(char const* name, math::float4x4 const& value) override;
	void setMatrixArray(ParamType param, math::float4x4** values, int count) override;
	void setVector(ParamType param, math::float4 const& value) override;
	void setVector(char const* name, math::float4 const& value) override;
	void setFloat(ParamType param, float value) override;
	void setFloat(char const* name, float value) override;
	gr::BaseTexture* getTexture(char const* name) override;
	math::float4x4 getMatrix(char const* name) override;
	math::float4 getVector(char const* name) override;
	float getFloat(char const* name) override;
	int begin() override;
	void beginPass(int pass) override;
	void endPass() override;
	void end() override;
	void setName(std::string const& name) override { m_name = name; }
	void setSort(SortType sort) override { m_sort = sort; }
	int priority() const override { return 0; }
	SortType sort() const override { return m_sort; }
	bool enabled() const override { return m_passes > 0; }
	std::string const& name() const override { return m_name; }

	/** Techniques that hasTechnique accepts (empty: every non-empty name). */
	std::vector<std::string> techniques;

	/** Currently selected technique. */
	std::string const& technique() const { return m_technique; }

private:
	std::shared_ptr<CallLog> m_log;
	std::string m_name;
	std::string m_technique;
	int m_passes;
	SortType m_sort;
	std::map<std::string, lang::Ptr<gr::BaseTexture>> m_textures;
	std::map<std::string, math::float4x4> m_matrices;
	std::map<std::string, math::float4> m_vectors;
	std::map<std::string, float> m_floats;
};

/**
 * Fake primitive: system-memory data of gr::DIPrimitive; records lock,
 * unlock and render ("Primitive.render(name, type, shader)").
 */
class FakePrimitive : public gr::DIPrimitive
{
public:
	FakePrimitive(std::shared_ptr<CallLog> log, std::string name, PrimType type, gr::VertexFormat const& vf, int vertices, int indices);
	~FakePrimitive() override;

	void lock(LockType type) override;
	void unlock() override;
	void setShader(gr::Shader* shader) override { m_shader = shader; }
	void render() override;
	PrimType type() const override { return m_type; }
	gr::Shader* shader() const override { return m_shader; }

	std::string const& name() const { return m_name; }

private:
	std::shared_ptr<CallLog> m_log;
	std::string m_name;
	PrimType m_type;
	lang::Ptr<gr::Shader> m_shader;
};

/**
 * Recording fake of the rendering context. Every operation that creates,
 * draws or changes state is recorded in order with its arguments (getters
 * are not); the objects it hands out are the fakes above and record into
 * the same log. Setters store their values so that getters answer them.
 * Images and textures loaded by name get the size given with
 * setImageSize (64 x 64 otherwise).
 */
class FakeContext : public gr::Context
{
public:
	explicit FakeContext(int width = 768, int height = 1024, PlatformType platform = PLATFORM_GLES2);
	~FakeContext() override;

	/** The calls recorded so far, in order. */
	std::vector<Call> const& calls() const { return m_log->calls; }

	/** The operation names recorded so far, in order. */
	std::vector<std::string> ops() const;

	/** Number of recorded calls of the operation. */
	int count(std::string const& op) const;

	/** The recorded calls of the operation, in order. */
	std::vector<Call> callsOf(std::string const& op) const;

	/** All recorded calls, one toString() per line. */
	std::string text() const;

	/** Forgets the recorded calls. */
	void clearCalls() { m_log->calls.clear(); }

	/** Size given to images and textures later loaded under this name. */
	void setImageSize(std::string const& name, int width, int height);

	/** Number of passes that shaders created later report from begin(). */
	void setShaderPasses(int passes) { m_shaderPasses = passes; }

	/** The shared log (for objects made outside the context). */
	std::shared_ptr<CallLog> const& log() const { return m_log; }

	gr::Shader* createShader(std::string const& name, int flags) override;
	gr::Texture* createTexture(std::string const& filename) override;
	gr::Texture* createTexture(int width, int height, int mipLevels, gr::SurfaceFormat const& format, int flags) override;
	gr::Texture* createCubeTexture(std::string const& filename) override;
	gr::Image* createImage(io::InputStream& in, std::string const& name) override;
	gr::Image* createImage(int width, int height, int mipLevels, gr::SurfaceFormat const& format, UsageFlags usage) override;
	gr::Primitive* createPrimitive(gr::Primitive::PrimType type, gr::VertexFormat const& vf, int vertices, int indices, UsageFlags usage) override;
	gr::Primitive* getDynamicPrimitive(gr::Primitive::PrimType type, gr::VertexFormat const& vf, int vertices, int indices) override;
	void begin2D() override;
	void end2D() override;
	void drawLine2D(unsigned color, int x0, int y0, int x1, int y1, int width) override;
	void drawLine2D(unsigned color, int* points, int count, int width) override;
	void drawCircle2D(unsigned color, int x, int y, int radius, int width) override;
	void fillTriangle2D(unsigned color, int x0, int y0, int x1, int y1, int x2, int y2) override;
	void fillRect2D(unsigned color, int x, int y, int width, int height) override;
	void fillCircle2D(unsigned color, int x, int y, int radius) override;
	void texturizeTriangle2D(gr::Image* image, math::float4 const& uvRect, int x0, int y0, int x1, int y1, int x2, int y2) override;
	void texturizeRect2D(gr::Image* image, math::float4 const& uvRect, int x, int y, int width, int height) override;
	void texturizeCircle2D(gr::Image* image, math::float4 const& uvRect, int x, int y, int radius) override;
	gr::RenderState2D& getRenderState2D() override { return m_state2D; }
	gr::Rect const& viewport() const override { return m_viewport; }
	gr::SurfaceFormat surfaceFormat() const override;
	int width() const override { return m_width; }
	int height() const override { return m_height; }
	float time() const override { return m_time; }
	math::float3x4 const& customModelTransform() const override { return m_customModelTransform; }
	bool customModelTransformEnabled() const override { return m_customModelTransformEnabled; }
	math::float4x4 const& projectionTransform() const override { return m_projection; }
	math::float2 const& getFovScaleBias() const override { return m_fovScaleBias; }
	PlatformType platform() const override { return m_platform; }
	OrientationType orientation() const override { return m_orientation; }
	bool ready() const override { return true; }
	std::string const& shaderPath() const override { return m_shaderPath; }
	void setRenderState2D(gr::RenderState2D const& state) override;
	void setViewport(gr::Rect const& rect) override;
	void setClipRect(gr::Rect const& rect) override;
	void setRenderTarget(gr::Texture* target) override;
	void setWireframeEnabled(bool enabled) override;
	void setOrientation(OrientationType orientation) override;
	void setFovScaleBias(math::float2 const& scaleBias) override;
	void setCustomModelTransform(math::float3x4 const& tm) override;
	void setCustomModelTransformEnabled(bool enabled) override;
	void setPerspectiveProjection(float fov, float front, float back, float aspect) override;
	void setOrthographicProjection() override;
	void setProjection(math::float4x4 const& proj) override;
	void setTime(float time) override;
	void setShaderPath(std::string const& path) override;
	void reset(int width, int height) override;
	void beginScene() override;
	void endScene() override;
	void reloadShaders() override;
	void present() override;
	void clear(unsigned color, bool clearColor, bool clearDepth, bool clearStencil) override;
	void capture(std::string const& filename) override;
	void capture(io::OutputStream& out, io::FileFormat fileFormat) override;
	void capture(gr::Image* image) override;
	void flipWindingOrder() override;
	void flush() override;

	/** The current render target (null: the back buffer). */
	gr::Texture* renderTarget() const { return m_renderTarget; }

private:
	std::shared_ptr<CallLog> m_log;
	int m_width;
	int m_height;
	PlatformType m_platform;
	OrientationType m_orientation;
	gr::RenderState2D m_state2D;
	gr::Rect m_viewport;
	float m_time;
	math::float3x4 m_customModelTransform;
	bool m_customModelTransformEnabled;
	math::float4x4 m_projection;
	math::float2 m_fovScaleBias;
	std::string m_shaderPath;
	gr::Texture* m_renderTarget;
	int m_shaderPasses;
	int m_objects;
	std::map<std::string, std::pair<int, int>> m_imageSizes;
	std::vector<lang::Ptr<FakePrimitive>> m_dynamicPrimitives;

	std::string nextName(char const* kind);
	std::pair<int, int> imageSize(std::string const& name) const;
};

} // test
