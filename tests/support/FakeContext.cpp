#include <support/FakeContext.h>
#include <gr/GraphicsException.h>
#include <io/InputStream.h>
#include <io/OutputStream.h>
#include <cstdio>

namespace test
{

std::string Call::toString() const
{
	std::string s = op + "(";
	for (size_t i = 0; i < args.size(); ++i)
	{
		if (i > 0)
			s += ", ";
		s += args[i];
	}
	return s + ")";
}

std::string arg(int v)
{
	return std::to_string(v);
}

std::string arg(unsigned v)
{
	return std::to_string(v);
}

std::string arg(float v)
{
	char buf[32];
	std::snprintf(buf, sizeof(buf), "%g", double(v));
	return buf;
}

std::string arg(bool v)
{
	return v ? "true" : "false";
}

std::string arg(std::string const& v)
{
	return v;
}

std::string arg(char const* v)
{
	return v ? v : "null";
}

std::string arg(math::float2 const& v)
{
	return "(" + arg(v.x) + " " + arg(v.y) + ")";
}

std::string arg(math::float3 const& v)
{
	return "(" + arg(v.x) + " " + arg(v.y) + " " + arg(v.z) + ")";
}

std::string arg(math::float4 const& v)
{
	return "(" + arg(v.x) + " " + arg(v.y) + " " + arg(v.z) + " " + arg(v.w) + ")";
}

std::string arg(gr::Rect const& v)
{
	return "[" + arg(v.left) + " " + arg(v.top) + " " + arg(v.right) + " " + arg(v.bottom) + "]";
}

std::string arg(gr::SurfaceFormat const& v)
{
	return v.toString();
}

std::string arg(gr::ContextObject const* obj)
{
	if (!obj)
		return "null";
	if (auto t = dynamic_cast<gr::Texture const*>(obj))
		return t->getName();
	if (auto i = dynamic_cast<FakeImage const*>(obj))
		return i->name();
	if (auto s = dynamic_cast<gr::Shader const*>(obj))
		return s->name();
	if (auto p = dynamic_cast<FakePrimitive const*>(obj))
		return p->name();
	return "object";
}

std::string color(unsigned argb)
{
	char buf[16];
	std::snprintf(buf, sizeof(buf), "0x%08X", argb);
	return buf;
}

namespace
{

template <class T>
std::string list(T const* values, int n)
{
	if (!values)
		return "null";
	std::string s = "[";
	for (int i = 0; i < n; ++i)
		s += (i ? " " : "") + arg(values[i]);
	return s + "]";
}

} // namespace

// ---------------------------------------------------------------- texture

FakeTexture::FakeTexture(std::shared_ptr<CallLog> log, std::string name, int width, int height, gr::SurfaceFormat format) :
	m_log(std::move(log)), m_name(std::move(name)), m_width(width), m_height(height), m_format(format)
{
}

void FakeTexture::blt(int x, int y, void const*, int pitch, int mipLevel, int width, int height, gr::SurfaceFormat const& format)
{
	m_log->add("Texture.blt", {m_name, arg(x), arg(y), arg(pitch), arg(mipLevel), arg(width), arg(height), arg(format)});
}

void FakeTexture::clear()
{
	m_log->add("Texture.clear", {m_name});
}

void FakeTexture::getData(void** data, int* size) const
{
	*data = nullptr;
	*size = 0;
}

// ---------------------------------------------------------------- image

FakeImage::FakeImage(std::shared_ptr<CallLog> log, std::string name, int width, int height, gr::SurfaceFormat format) :
	m_log(log), m_texture(new FakeTexture(log, std::move(name), width, height, format))
{
}

void FakeImage::draw(gr::Context* context, float x, float y, int srcX, int srcY, int srcWidth, int srcHeight, float dstWidth, float dstHeight)
{
	m_log->addDraw(context, "Image.draw", {name(), arg(x), arg(y), arg(srcX), arg(srcY), arg(srcWidth), arg(srcHeight), arg(dstWidth), arg(dstHeight)});
}

void FakeImage::draw(gr::Context* context, float x, float y, float width, float height, math::float2 const* uv)
{
	m_log->addDraw(context, "Image.draw", {name(), arg(x), arg(y), arg(width), arg(height), list(uv, 4)});
}

void FakeImage::draw(gr::Context* context, math::float3 const* positions, math::float2 const* uv, gr::Shader* shader)
{
	m_log->addDraw(context, "Image.draw", {name(), list(positions, 4), list(uv, 4), arg(shader)});
}

void FakeImage::draw(gr::Context* context, math::float3 const* positions, math::float2 const* uv, math::float4 const* colors, gr::Shader* shader)
{
	m_log->addDraw(context, "Image.draw", {name(), list(positions, 4), list(uv, 4), list(colors, 4), arg(shader)});
}

void FakeImage::blt(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, gr::SurfaceFormat const& format)
{
	m_texture->blt(x, y, data, pitch, mipLevel, width, height, format);
}

void FakeImage::clear()
{
	m_texture->clear();
}

void FakeImage::getData(void** data, int* size) const
{
	m_texture->getData(data, size);
}

// ---------------------------------------------------------------- shader

FakeShader::FakeShader(std::shared_ptr<CallLog> log, std::string name, int passes) :
	m_log(std::move(log)), m_name(std::move(name)), m_passes(passes), m_sort(SORT_NONE)
{
}

gr::Shader* FakeShader::clone() const
{
	m_log->add("Shader.clone", {m_name});
	FakeShader* s = new FakeShader(m_log, m_name, m_passes);
	s->techniques = techniques;
	s->m_technique = m_technique;
	s->m_sort = m_sort;
	s->m_textures = m_textures;
	s->m_matrices = m_matrices;
	s->m_vectors = m_vectors;
	s->m_floats = m_floats;
	return s;
}

void FakeShader::setTechnique(char const* name)
{
	m_technique = name ? name : "";
	m_log->add("Shader.setTechnique", {m_name, arg(name)});
}

bool FakeShader::hasTechnique(char const* name)
{
	if (!name || !*name)
		return false;
	if (techniques.empty())
		return true;
	for (auto const& t : techniques)
		if (t == name)
			return true;
	return false;
}

void FakeShader::setTexture(ParamType param, gr::BaseTexture* texture)
{
	setTexture(toString(param), texture);
}

void FakeShader::setTexture(char const* name, gr::BaseTexture* texture)
{
	m_textures[name] = texture;
	m_log->add("Shader.setTexture", {m_name, arg(name), arg(texture)});
}

void FakeShader::setMatrix(ParamType param, math::float4x4 const& value)
{
	setMatrix(toString(param), value);
}

void FakeShader::setMatrix(char const* name, math::float4x4 const& value)
{
	m_matrices[name] = value;
	m_log->add("Shader.setMatrix", {m_name, arg(name)});
}

void FakeShader::setMatrixArray(ParamType param, math::float4x4**, int count)
{
	m_log->add("Shader.setMatrixArray", {m_name, toString(param), arg(count)});
}

void FakeShader::setVector(ParamType param, math::float4 const& value)
{
	setVector(toString(param), value);
}

void FakeShader::setVector(char const* name, math::float4 const& value)
{
	m_vectors[name] = value;
	m_log->add("Shader.setVector", {m_name, arg(name), arg(value)});
}

void FakeShader::setFloat(ParamType param, float value)
{
	setFloat(toString(param), value);
}

void FakeShader::setFloat(char const* name, float value)
{
	m_floats[name] = value;
	m_log->add("Shader.setFloat", {m_name, arg(name), arg(value)});
}

gr::BaseTexture* FakeShader::getTexture(char const* name)
{
	auto it = m_textures.find(name);
	return it == m_textures.end() ? nullptr : it->second.ptr();
}

math::float4x4 FakeShader::getMatrix(char const* name)
{
	auto it = m_matrices.find(name);
	return it == m_matrices.end() ? math::float4x4() : it->second;
}

math::float4 FakeShader::getVector(char const* name)
{
	auto it = m_vectors.find(name);
	return it == m_vectors.end() ? math::float4() : it->second;
}

float FakeShader::getFloat(char const* name)
{
	auto it = m_floats.find(name);
	return it == m_floats.end() ? 0.f : it->second;
}

int FakeShader::begin()
{
	m_log->add("Shader.begin", {m_name});
	return m_passes;
}

void FakeShader::beginPass(int pass)
{
	m_log->add("Shader.beginPass", {m_name, arg(pass)});
}

void FakeShader::endPass()
{
	m_log->add("Shader.endPass", {m_name});
}

void FakeShader::end()
{
	m_log->add("Shader.end", {m_name});
}

// ---------------------------------------------------------------- primitive

FakePrimitive::FakePrimitive(std::shared_ptr<CallLog> log, std::string name, PrimType type, gr::VertexFormat const& vf, int vertices, int indices) :
	m_log(std::move(log)), m_name(std::move(name)), m_type(type)
{
	setFormat(vf, vertices, indices);
}

FakePrimitive::~FakePrimitive()
{
}

void FakePrimitive::lock(LockType type)
{
	m_log->add("Primitive.lock", {m_name, arg(int(type))});
}

void FakePrimitive::unlock()
{
	m_log->add("Primitive.unlock", {m_name});
}

void FakePrimitive::render()
{
	m_log->add("Primitive.render", {m_name, arg(int(m_type)), arg(m_shader.ptr())});
}

// ---------------------------------------------------------------- context

FakeContext::FakeContext(int width, int height, PlatformType platform) :
	m_log(std::make_shared<CallLog>()),
	m_width(width),
	m_height(height),
	m_platform(platform),
	m_orientation(ORIENTATION_0),
	m_viewport(width, height),
	m_time(0.f),
	m_customModelTransform(1.f),
	m_customModelTransformEnabled(false),
	m_projection(1.f),
	m_fovScaleBias(1.f, 0.f),
	m_renderTarget(nullptr),
	m_shaderPasses(1),
	m_objects(0)
{
}

FakeContext::~FakeContext()
{
}

std::vector<std::string> FakeContext::ops() const
{
	std::vector<std::string> out;
	for (auto const& c : m_log->calls)
		out.push_back(c.op);
	return out;
}

int FakeContext::count(std::string const& op) const
{
	int n = 0;
	for (auto const& c : m_log->calls)
		n += c.op == op;
	return n;
}

std::vector<Call> FakeContext::callsOf(std::string const& op) const
{
	std::vector<Call> out;
	for (auto const& c : m_log->calls)
		if (c.op == op)
			out.push_back(c);
	return out;
}

std::string FakeContext::text() const
{
	std::string s;
	for (auto const& c : m_log->calls)
		s += c.toString() + "\n";
	return s;
}

void FakeContext::setImageSize(std::string const& name, int width, int height)
{
	m_imageSizes[name] = std::make_pair(width, height);
}

std::string FakeContext::nextName(char const* kind)
{
	return std::string(kind) + "#" + std::to_string(++m_objects);
}

std::pair<int, int> FakeContext::imageSize(std::string const& name) const
{
	auto it = m_imageSizes.find(name);
	return it == m_imageSizes.end() ? std::make_pair(64, 64) : it->second;
}

gr::Shader* FakeContext::createShader(std::string const& name, int flags)
{
	m_log->add("createShader", {name, arg(flags)});
	return new FakeShader(m_log, name, m_shaderPasses);
}

gr::Texture* FakeContext::createTexture(std::string const& filename)
{
	m_log->add("createTexture", {filename});
	auto size = imageSize(filename);
	return new FakeTexture(m_log, filename, size.first, size.second, gr::SurfaceFormat::SURFACE_A8R8G8B8);
}

gr::Texture* FakeContext::createTexture(int width, int height, int mipLevels, gr::SurfaceFormat const& format, int flags)
{
	std::string name = nextName("texture");
	m_log->add("createTexture", {name, arg(width), arg(height), arg(mipLevels), arg(format), arg(flags)});
	return new FakeTexture(m_log, name, width, height, format);
}

gr::Texture* FakeContext::createCubeTexture(std::string const& filename)
{
	m_log->add("createCubeTexture", {filename});
	lang::throwError(gr::GraphicsException(lang::Format("Cube textures not supported")));
}

gr::Image* FakeContext::createImage(io::InputStream&, std::string const& name)
{
	m_log->add("createImage", {name});
	auto size = imageSize(name);
	return new FakeImage(m_log, name, size.first, size.second, gr::SurfaceFormat::SURFACE_A8R8G8B8);
}

gr::Image* FakeContext::createImage(int width, int height, int mipLevels, gr::SurfaceFormat const& format, UsageFlags usage)
{
	std::string name = nextName("image");
	m_log->add("createImage", {name, arg(width), arg(height), arg(mipLevels), arg(format), arg(int(usage))});
	return new FakeImage(m_log, name, width, height, format);
}

gr::Primitive* FakeContext::createPrimitive(gr::Primitive::PrimType type, gr::VertexFormat const& vf, int vertices, int indices, UsageFlags usage)
{
	std::string name = nextName("primitive");
	m_log->add("createPrimitive", {name, arg(int(type)), arg(vertices), arg(indices), arg(int(usage))});
	return new FakePrimitive(m_log, name, type, vf, vertices, indices);
}

gr::Primitive* FakeContext::getDynamicPrimitive(gr::Primitive::PrimType type, gr::VertexFormat const& vf, int vertices, int indices)
{
	m_log->add("getDynamicPrimitive", {arg(int(type)), arg(vertices), arg(indices)});
	for (auto const& p : m_dynamicPrimitives)
		if (p->vertexFormat() == vf && p->type() == type && p->vertices() >= vertices && p->indices() >= indices)
			return p;
	// Capacities grow in steps of 32; index counts of triangle lists in
	// steps of 96 so that they stay whole triangles.
	auto roundUp = [](int n, int step) { return (n + step - 1) / step * step; };
	int const indexStep = type == gr::Primitive::PRIM_TRI ? 96 : 32;
	lang::Ptr<FakePrimitive> p = new FakePrimitive(m_log, nextName("dynamic"), type, vf, roundUp(vertices, 32), roundUp(indices, indexStep));
	m_dynamicPrimitives.push_back(p);
	return p;
}

void FakeContext::begin2D()
{
	m_log->add("begin2D");
}

void FakeContext::end2D()
{
	m_log->add("end2D");
}

void FakeContext::drawLine2D(unsigned c, int x0, int y0, int x1, int y1, int width)
{
	m_log->addDraw(this, "drawLine2D", {color(c), arg(x0), arg(y0), arg(x1), arg(y1), arg(width)});
}

void FakeContext::drawLine2D(unsigned c, int* points, int count, int width)
{
	m_log->addDraw(this, "drawLine2D", {color(c), list(points, 2 * count), arg(count), arg(width)});
}

void FakeContext::drawCircle2D(unsigned c, int x, int y, int radius, int width)
{
	m_log->addDraw(this, "drawCircle2D", {color(c), arg(x), arg(y), arg(radius), arg(width)});
}

void FakeContext::fillTriangle2D(unsigned c, int x0, int y0, int x1, int y1, int x2, int y2)
{
	m_log->addDraw(this, "fillTriangle2D", {color(c), arg(x0), arg(y0), arg(x1), arg(y1), arg(x2), arg(y2)});
}

void FakeContext::fillRect2D(unsigned c, int x, int y, int width, int height)
{
	m_log->addDraw(this, "fillRect2D", {color(c), arg(x), arg(y), arg(width), arg(height)});
}

void FakeContext::fillCircle2D(unsigned c, int x, int y, int radius)
{
	m_log->addDraw(this, "fillCircle2D", {color(c), arg(x), arg(y), arg(radius)});
}

void FakeContext::texturizeTriangle2D(gr::Image* image, math::float4 const& uvRect, int x0, int y0, int x1, int y1, int x2, int y2)
{
	m_log->addDraw(this, "texturizeTriangle2D", {arg(image), arg(uvRect), arg(x0), arg(y0), arg(x1), arg(y1), arg(x2), arg(y2)});
}

void FakeContext::texturizeRect2D(gr::Image* image, math::float4 const& uvRect, int x, int y, int width, int height)
{
	m_log->addDraw(this, "texturizeRect2D", {arg(image), arg(uvRect), arg(x), arg(y), arg(width), arg(height)});
}

void FakeContext::texturizeCircle2D(gr::Image* image, math::float4 const& uvRect, int x, int y, int radius)
{
	m_log->addDraw(this, "texturizeCircle2D", {arg(image), arg(uvRect), arg(x), arg(y), arg(radius)});
}

gr::SurfaceFormat FakeContext::surfaceFormat() const
{
	return gr::SurfaceFormat::SURFACE_B8G8R8;
}

void FakeContext::setRenderState2D(gr::RenderState2D const& state)
{
	m_log->add("setRenderState2D");
	m_state2D = state;
}

void FakeContext::setViewport(gr::Rect const& rect)
{
	m_log->add("setViewport", {arg(rect)});
	m_viewport = rect;
}

void FakeContext::setClipRect(gr::Rect const& rect)
{
	m_log->add("setClipRect", {arg(rect)});
}

void FakeContext::setRenderTarget(gr::Texture* target)
{
	m_log->add("setRenderTarget", {arg(target)});
	m_renderTarget = target;
	if (target)
		m_viewport = gr::Rect(target->width(), target->height());
	else
		m_viewport = gr::Rect(m_width, m_height);
}

void FakeContext::setWireframeEnabled(bool enabled)
{
	m_log->add("setWireframeEnabled", {arg(enabled)});
}

void FakeContext::setOrientation(OrientationType orientation)
{
	m_log->add("setOrientation", {arg(int(orientation))});
	m_orientation = orientation;
}

void FakeContext::setFovScaleBias(math::float2 const& scaleBias)
{
	m_log->add("setFovScaleBias", {arg(scaleBias)});
	m_fovScaleBias = scaleBias;
}

void FakeContext::setCustomModelTransform(math::float3x4 const& tm)
{
	m_log->add("setCustomModelTransform");
	m_customModelTransform = tm;
}

void FakeContext::setCustomModelTransformEnabled(bool enabled)
{
	m_log->add("setCustomModelTransformEnabled", {arg(enabled)});
	m_customModelTransformEnabled = enabled;
}

void FakeContext::setPerspectiveProjection(float fov, float front, float back, float aspect)
{
	m_log->add("setPerspectiveProjection", {arg(fov), arg(front), arg(back), arg(aspect)});
	m_projection.setPerspectiveProjection(fov, front, back, aspect);
}

void FakeContext::setOrthographicProjection()
{
	m_log->add("setOrthographicProjection");
	m_projection = math::float4x4(1.f);
}

void FakeContext::setProjection(math::float4x4 const& proj)
{
	m_log->add("setProjection");
	m_projection = proj;
}

void FakeContext::setTime(float time)
{
	m_log->add("setTime", {arg(time)});
	m_time = time;
}

void FakeContext::setShaderPath(std::string const& path)
{
	m_log->add("setShaderPath", {path});
	m_shaderPath = path;
}

void FakeContext::reset(int width, int height)
{
	m_log->add("reset", {arg(width), arg(height)});
	if (m_orientation == ORIENTATION_1 || m_orientation == ORIENTATION_3)
		std::swap(width, height);
	if (width == m_width && height == m_height)
		return;
	m_width = width;
	m_height = height;
	m_viewport = gr::Rect(width, height);
}

void FakeContext::beginScene()
{
	m_log->add("beginScene");
}

void FakeContext::endScene()
{
	m_log->add("endScene");
}

void FakeContext::reloadShaders()
{
	m_log->add("reloadShaders");
}

void FakeContext::present()
{
	m_log->add("present");
}

void FakeContext::clear(unsigned c, bool clearColor, bool clearDepth, bool clearStencil)
{
	m_log->add("clear", {color(c), arg(clearColor), arg(clearDepth), arg(clearStencil)});
}

void FakeContext::capture(std::string const& filename)
{
	m_log->add("capture", {filename});
}

void FakeContext::capture(io::OutputStream&, io::FileFormat fileFormat)
{
	m_log->add("capture", {"stream", arg(int(fileFormat))});
}

void FakeContext::capture(gr::Image* image)
{
	m_log->add("capture", {arg(image)});
}

void FakeContext::flipWindingOrder()
{
	m_log->add("flipWindingOrder");
}

void FakeContext::flush()
{
	m_log->add("flush");
}

} // test
