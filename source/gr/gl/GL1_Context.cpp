#include "GL1_Context.h"
#include "GL1_Shader.h"
#include "GL_Check.h"
#include "GL_Image.h"
#include <framework/linux/GLLayer.h>
#include <gr/GraphicsException.h>
#include <img/ImageReader.h>
#include <img/ImageWriter.h>
#include <io/ByteArrayOutputStream.h>
#include <io/FileFormat.h>
#include <io/PathName.h>
#include <io/std/BundleInputStream.h>
#include <io/std/FileOutputStream.h>
#include <lang/Debug.h>
#include <lang/Format.h>
#include <GLES/gl.h>
#include <GLES/glext.h>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace gr
{
namespace gles1
{

namespace
{

const int CLIP_UNSET = 32000;

// Upper bound of a 2D line width in pixels (far beyond what any GL draws).
const int MAX_LINE_WIDTH = 1 << 20;

bool swapsSides(Context::OrientationType orientation)
{
	return orientation == Context::ORIENTATION_1 || orientation == Context::ORIENTATION_3;
}

int roundUp32(int n)
{
	return (n + 31) / 32 * 32;
}

// Adds a byte count to a statistics counter; the counter wraps instead of
// overflowing when huge surfaces pile up within one frame.
void addBytes(int& counter, std::int64_t bytes)
{
	counter = int(unsigned(counter) + unsigned(bytes));
}

// An A8R8G8B8 colour word as floats r, g, b, a in 0..1.
void colorToFloats(unsigned color, float rgba[4])
{
	SurfaceFormat const dst(SurfaceFormat::SURFACE_A32B32G32R32F);
	dst.copyPixels(rgba, SurfaceFormat(), nullptr, SurfaceFormat(SurfaceFormat::SURFACE_A8R8G8B8), &color, SurfaceFormat(), nullptr, 1);
}

// Angular step of the 16 segments of a filled circle.
float circleStep()
{
	static const float step = 2.f * (3.14159265358979323846f * 0.0625f);
	return step;
}

// The pixels of an image file, read level by level into a texture or image.
template <class Target>
void uploadLevels(img::ImageReader& reader, Target* target, SurfaceFormat const& format, int& bytesCounter)
{
	int const levels = reader.mipLevels();
	for (int level = 0; level < levels; ++level)
	{
		int const w = reader.surfaceWidth();
		int const h = reader.surfaceHeight();
		std::vector<unsigned char> buffer(std::size_t(format.getMemoryUsage(w, h)), 0);
		int const pitch = int(format.getMemoryUsage(w, 1));
		reader.readSurface(buffer.data(), pitch, w, h, format, nullptr, SurfaceFormat());
		target->blt(0, 0, buffer.data(), pitch, level, w, h, format);
		if (level > 0)
			addBytes(bytesCounter, format.getMemoryUsage(w, h));
	}
}

} // namespace

GL_Context::GL_Context(int width, int height, OrientationType orientation, void (*present)()) :
	m_sortWorldTransform(1.f),
	m_batcher(this),
	m_projection(1.f),
	m_modelView(1.f),
	m_customModelTransform(1.f),
	m_viewport(-CLIP_UNSET, -CLIP_UNSET, CLIP_UNSET, CLIP_UNSET),
	m_width(width),
	m_height(height),
	m_frontFace(GL_CW),
	m_customModelTransformEnabled(false),
	m_orientation(orientation),
	m_renderTarget(nullptr),
	m_time(0.f),
	m_fovScaleBias(1.f, 0.f),
	m_world(1.f),
	m_view(1.f),
	m_modelViewDirty(false),
	m_present(present)
{
	GL_State::frontFace(m_frontFace);
	GL_State::enable(GL_DEPTH_TEST);
	GL_State().begin(true);
	setViewport(Rect(0, 0, width, height));
}

GL_Context::~GL_Context()
{
	m_batcher.reset();
	m_plainShader = nullptr;
	m_plainAlphaShader = nullptr;
	m_spriteShader = nullptr;
	m_spriteAlphaShader = nullptr;
	m_dynamicPrimitives.clear();
	m_templates.clear();
}

void GL_Context::addShaderTemplate(Shader* shader)
{
	assert(shader && dynamic_cast<GL_Shader_Default*>(shader) && "a fixed-function shader");
	m_templates[shader->name()] = shader;
}

Shader* GL_Context::createShader(std::string const& name, int)
{
	auto it = m_templates.find(io::PathName(name).basename());
	if (it == m_templates.end())
		lang::throwError(GraphicsException(lang::Format("Shader template {0} not found", name)));
	return it->second->clone();
}

Shader* GL_Context::builtinShader(lang::Ptr<Shader>& field, char const* name)
{
	if (!field)
		field = createShader(io::PathName(m_shaderPath, name).path(), 0);
	return field;
}

Shader* GL_Context::getPlainShader()
{
	return builtinShader(m_plainShader, "sprite-plain");
}

Shader* GL_Context::getPlainAlphaShader()
{
	return builtinShader(m_plainAlphaShader, "sprite-alphaplain");
}

Shader* GL_Context::getSpriteShader()
{
	return builtinShader(m_spriteShader, "sprite");
}

Shader* GL_Context::getSpriteAlphaShader()
{
	return builtinShader(m_spriteAlphaShader, "sprite-alpha");
}

Texture* GL_Context::createTexture(int width, int height, int mipLevels, SurfaceFormat const& format, int flags)
{
	SurfaceFormat const compatible = convertToCompatibleSurfaceFormat(*this, format);
	GL_Texture* texture = new GL_Texture(this, width, height, mipLevels, compatible, flags);
	statistics.counters[Statistics::COUNTER_TEXTURES] += 1;
	addBytes(statistics.counters[Statistics::COUNTER_TEXTUREBYTES], texture->format().getMemoryUsage(width, height));
	return texture;
}

Texture* GL_Context::createTexture(std::string const& filename)
{
	lang::Ptr<io::InputStream> in = new io::BundleInputStream(filename);
	img::ImageReader reader(in, io::guessFileFormat(filename));
	GL_checkFileMipLevels(reader.mipLevels(), reader.surfaceWidth(), reader.surfaceHeight(), filename);
	Texture* texture = createTexture(reader.surfaceWidth(), reader.surfaceHeight(), reader.mipLevels() - 1, reader.format(), USAGE_STATIC);
	try
	{
		texture->setName(filename);
		SurfaceFormat const format = texture->format();
		lang::Debug::printf("Loading texture %s: %dx%d %s (as %s) mips: %d\n", filename.c_str(), reader.surfaceWidth(),
			reader.surfaceHeight(), reader.format().toString(), format.toString(), reader.mipLevels() - 1);
		uploadLevels(reader, texture, format, statistics.counters[Statistics::COUNTER_TEXTUREBYTES]);
	}
	catch (...)
	{
		delete texture;
		throw;
	}
	return texture;
}

Texture* GL_Context::createCubeTexture(std::string const&)
{
	lang::throwError(GraphicsException(lang::Format("Cube textures not supported")));
}

Image* GL_Context::createImage(int width, int height, int mipLevels, SurfaceFormat const& format, UsageFlags usage)
{
	SurfaceFormat const compatible = convertToCompatibleSurfaceFormat(*this, format);
	GL_Image* image = new GL_Image(this, width, height, mipLevels, compatible, usage);
	statistics.counters[Statistics::COUNTER_IMAGES] += 1;
	addBytes(statistics.counters[Statistics::COUNTER_IMAGEBYTES], image->format().getMemoryUsage(width, height));
	return image;
}

Image* GL_Context::createImage(io::InputStream& in, std::string const& name)
{
	lang::Ptr<io::InputStream> source = new io::InputStream(in);
	img::ImageReader reader(source, io::guessFileFormat(name));
	GL_checkFileMipLevels(reader.mipLevels(), reader.surfaceWidth(), reader.surfaceHeight(), name);
	Image* image = createImage(reader.surfaceWidth(), reader.surfaceHeight(), reader.mipLevels() - 1, reader.format(), USAGE_STATIC);
	try
	{
		Texture* texture = image->getTexture();
		texture->setName(name);
		SurfaceFormat const format = image->format();
		lang::Debug::printf("Loading image %s: %dx%d %s (as %dx%d %s) mips: %d\n", name.c_str(), reader.surfaceWidth(),
			reader.surfaceHeight(), reader.format().toString(), texture->width(), texture->height(), format.toString(),
			reader.mipLevels() - 1);
		uploadLevels(reader, image, format, statistics.counters[Statistics::COUNTER_IMAGEBYTES]);
	}
	catch (...)
	{
		delete image;
		throw;
	}
	return image;
}

Primitive* GL_Context::createPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices, UsageFlags usage)
{
	return new GL_Primitive(this, type, vf, vertices, indices, usage);
}

Primitive* GL_Context::getDynamicPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices)
{
	for (lang::Ptr<GL_Primitive> const& p : m_dynamicPrimitives)
	{
		if (p->vertexFormat() == vf && p->type() == type && p->vertices() >= vertices && p->indices() >= indices)
			return p;
	}
	lang::Ptr<GL_Primitive> p = new GL_Primitive(this, type, vf, roundUp32(vertices), roundUp32(indices), USAGE_SYSMEM);
	m_dynamicPrimitives.push_back(p);
	return p;
}

void GL_Context::transform2D(float x, float y, float u, float v, math::float3* out) const
{
	RenderState2D const& rs = m_renderState2D;
	float const du = u - rs.pivot.x;
	float const dv = v - rs.pivot.y;
	float const px = x + rs.pivot.x + du * rs.rotation[0] + dv * rs.rotation[2] + rs.translation.x;
	float const py = y + rs.pivot.y + du * rs.rotation[1] + dv * rs.rotation[3] + rs.translation.y;
	out->x = px * (2.f * rs.scale.x / float(m_width)) - 1.f;
	out->y = 1.f - py * (2.f * rs.scale.y / float(m_height));
	out->z = 0.001f;
}

void GL_Context::submitShape(GL_RenderBatcher::Type type, unsigned color, math::float3 const* positions, int count, int lineWidth)
{
	float minX = positions[0].x, maxX = positions[0].x, minY = positions[0].y, maxY = positions[0].y;
	for (int i = 1; i < count; ++i)
	{
		minX = std::min(minX, positions[i].x);
		maxX = std::max(maxX, positions[i].x);
		minY = std::min(minY, positions[i].y);
		maxY = std::max(maxY, positions[i].y);
	}
	if (!(maxX >= -1.f && maxY >= -1.f && minX < 1.f && minY < 1.f))
		return;

	float rgba[4];
	colorToFloats(color, rgba);
	// The vertex colours replace the shader's colour in the fixed-function
	// pipeline, so the alpha of the 2D state is applied to them here.
	float const alpha = m_renderState2D.alpha;
	math::float4 const c(rgba[0] * 255.f, rgba[1] * 255.f, rgba[2] * 255.f, rgba[3] * alpha * 255.f);
	math::float4 const colors[4] = {c, c, c, c};
	int const perItem = type == GL_RenderBatcher::TYPE_LINES ? 2 : 4;
	for (int i = 0; i < count; i += perItem)
	{
		Shader* shader = rgba[3] == 1.f && alpha == 1.f ? getPlainShader() : getPlainAlphaShader();
		m_batcher.render(type, shader, positions + i, nullptr, colors, nullptr, lineWidth);
	}
}

void GL_Context::drawLine2D(unsigned color, int x0, int y0, int x1, int y1, int width)
{
	if (x0 == x1 && y0 == y1)
		return;
	float const dx = float(x1 - x0);
	float const dy = float(y1 - y0);
	math::float3 positions[2];
	transform2D(float(x0), float(y0), 0.f, 0.f, &positions[0]);
	transform2D(float(x0), float(y0), dx, dy, &positions[1]);

	float const len = std::sqrt(dx * dx + dy * dy);
	float const ux = dx / len;
	float const uy = dy / len;
	RenderState2D const& rs = m_renderState2D;
	// Truncated toward zero; widths below 2 (and a width that is not a
	// number) draw 1 pixel wide, absurdly large ones are capped rather than
	// overflowing the integer.
	float const scaled = float(width) * (rs.scale.x * uy * uy + rs.scale.y * ux * ux);
	int w = 1;
	if (scaled >= 2.f)
		w = scaled < float(MAX_LINE_WIDTH) ? int(scaled) : MAX_LINE_WIDTH;
	submitShape(GL_RenderBatcher::TYPE_LINES, color, positions, 2, w);
}

void GL_Context::fillRect2D(unsigned color, int x, int y, int width, int height)
{
	float const fx = float(x);
	float const fy = float(y);
	math::float3 positions[4];
	transform2D(fx, fy, 0.f, 0.f, &positions[0]);
	transform2D(fx, fy, float(width), 0.f, &positions[1]);
	transform2D(fx, fy, 0.f, float(height), &positions[2]);
	transform2D(fx, fy, float(width), float(height), &positions[3]);
	submitShape(GL_RenderBatcher::TYPE_QUADS, color, positions, 4, 1);
}

void GL_Context::fillCircle2D(unsigned color, int x, int y, int radius)
{
	math::float3 centre;
	transform2D(float(x), float(y), 0.f, 0.f, &centre);
	RenderState2D const& rs = m_renderState2D;
	float const rx = float(radius) * 2.f * rs.scale.x / float(m_width);
	float const ry = float(radius) * 2.f * rs.scale.y / float(m_height);
	float const s = circleStep();
	auto rim = [&](float t) { return math::float3(centre.x + std::cos(t) * rx, centre.y - std::sin(t) * ry, 0.001f); };

	math::float3 positions[64];
	for (int k = 0; k < 16; ++k)
	{
		float const t = float(k) * s;
		positions[4 * k + 0] = rim(t);
		positions[4 * k + 1] = centre;
		positions[4 * k + 2] = rim(t + s * 0.5f);
		positions[4 * k + 3] = rim(t + s);
	}
	submitShape(GL_RenderBatcher::TYPE_QUADS, color, positions, 64, 1);
}

int GL_Context::targetHeight() const
{
	return m_renderTarget ? m_renderTarget->height() : m_height;
}

void GL_Context::targetSize(int* w, int* h) const
{
	*w = m_renderTarget ? m_renderTarget->width() : m_width;
	*h = m_renderTarget ? m_renderTarget->height() : m_height;
}

void GL_Context::setViewport(Rect const& rect)
{
	m_batcher.flush();
	m_viewport = rect;
	GL_State::viewport(rect.left, targetHeight() - rect.bottom, rect.width(), rect.height());
}

void GL_Context::setClipRect(Rect const& rect)
{
	m_batcher.flush();
	GL_State::enable(GL_SCISSOR_TEST);
	GL_State::scissor(rect.left, targetHeight() - rect.bottom, rect.width(), rect.height());
}

void GL_Context::setRenderTarget(Texture* target)
{
	m_batcher.flush();
	unsigned int framebuffer = EAGLBackbufferFrameBuffer;
	if (target)
	{
		GL_Texture* texture = dynamic_cast<GL_Texture*>(target);
		assert(texture && texture->isRenderTarget() && "a render-target texture of this back end");
		framebuffer = texture->frameBuffer();
	}
	m_renderTarget = target;
	glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
	GL_CHECK();
	int w = 0, h = 0;
	targetSize(&w, &h);
	setViewport(Rect(0, 0, w, h));
}

void GL_Context::setPerspectiveProjection(float fov, float front, float back, float aspect)
{
	math::float4x4 proj;
	proj.setPerspectiveProjection(fov, front, back, aspect);
	setProjection(proj);
}

void GL_Context::setOrthographicProjection()
{
	setProjection(math::float4x4(1.f));
}

void GL_Context::setProjection(math::float4x4 const& proj)
{
	m_projection = proj;
	GL_State::matrixMode(GL_PROJECTION);
	GL_State::loadMatrixf(proj.data());
}

void GL_Context::setWorldMatrix(math::float4x4 const& m)
{
	m_world = m;
	m_modelViewDirty = true;
}

void GL_Context::setViewMatrix(math::float4x4 const& m)
{
	m_view = m;
	m_modelViewDirty = true;
}

void GL_Context::loadModelView(math::float4x4 const& m)
{
	GL_State::matrixMode(GL_MODELVIEW);
	GL_State::loadMatrixf(m.data());
}

void GL_Context::applyModelViewMatrix(math::float4 const& sb)
{
	if (m_modelViewDirty)
	{
		m_modelView = m_view * m_world;
		m_modelViewDirty = false;
	}
	math::float4x4 const& mv = m_modelView;
	math::float4x4 m = mv;
	if (sb.x != 1.f)
	{
		for (int r = 0; r < 4; ++r)
		{
			for (int c = 0; c < 3; ++c)
				m(r, c) = sb.x * mv(r, c);
		}
	}
	if (sb.y != 0.f || sb.z != 0.f || sb.w != 0.f)
	{
		for (int r = 0; r < 4; ++r)
			m(r, 3) = mv(r, 0) * sb.y + mv(r, 1) * sb.z + mv(r, 2) * sb.w + mv(r, 3);
	}
	loadModelView(m);
}

void GL_Context::applyViewMatrix()
{
	loadModelView(m_view);
}

void GL_Context::reset(int width, int height)
{
	if (swapsSides(m_orientation))
		std::swap(width, height);
	if (width == m_width && height == m_height)
		return;
	m_width = width;
	m_height = height;
	setViewport(Rect(0, 0, width, height));
}

void GL_Context::present()
{
	m_batcher.flush();
	if (m_present)
		m_present();
}

void GL_Context::clear(unsigned color, bool clearColor, bool clearDepth, bool clearStencil)
{
	setClipRect(m_renderState2D.clipRect);
	GLbitfield mask = 0;
	if (clearColor)
	{
		float rgba[4];
		colorToFloats(color, rgba);
		GL_State::clearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
		mask |= GL_COLOR_BUFFER_BIT;
	}
	if (clearDepth)
	{
		GL_State::depthMask(true);
		mask |= GL_DEPTH_BUFFER_BIT;
	}
	if (clearStencil)
		mask |= GL_STENCIL_BUFFER_BIT;
	if (mask != 0)
	{
		glClear(mask);
		GL_CHECK();
	}
	if (clearDepth)
		GL_State::depthMask(false);
}

void GL_Context::capture(std::string const& filename)
{
	io::FileOutputStream out(filename);
	capture(out, io::guessFileFormat(filename));
}

void GL_Context::capture(io::OutputStream& out, io::FileFormat fileFormat)
{
	m_batcher.flush();
	int w = 0, h = 0;
	targetSize(&w, &h);
	std::size_t const rowBytes = std::size_t(w) * 4;
	std::vector<unsigned char> read(rowBytes * std::size_t(h), 0);

	// The w x h block starts at the viewport's corner (GL rows bottom-up);
	// only the part inside the target is read, the rest stays zero.
	int const x0 = m_viewport.left;
	int const y0 = h - m_viewport.bottom;
	int const rx0 = std::max(x0, 0);
	int const ry0 = std::max(y0, 0);
	int const rx1 = std::min(x0 + w, w);
	int const ry1 = std::min(y0 + h, h);
	if (rx1 > rx0 && ry1 > ry0)
	{
		int const rw = rx1 - rx0;
		int const rh = ry1 - ry0;
		std::vector<unsigned char> part(std::size_t(rw) * 4 * std::size_t(rh));
		glPixelStorei(GL_PACK_ALIGNMENT, 4);
		GL_CHECK();
		glReadPixels(rx0, ry0, rw, rh, GL_RGBA, GL_UNSIGNED_BYTE, part.data());
		GL_CHECK();
		for (int row = 0; row < rh; ++row)
		{
			std::size_t const dstRow = std::size_t(ry0 - y0 + row);
			std::memcpy(read.data() + dstRow * rowBytes + std::size_t(rx0 - x0) * 4, part.data() + std::size_t(row) * rw * 4, std::size_t(rw) * 4);
		}
	}

	std::vector<unsigned char> flipped(read.size());
	for (int row = 0; row < h; ++row)
		std::memcpy(flipped.data() + std::size_t(h - 1 - row) * rowBytes, read.data() + std::size_t(row) * rowBytes, rowBytes);
	SurfaceFormat const abgr(SurfaceFormat::SURFACE_A8B8G8R8);
	img::ImageWriter::write(out, fileFormat, flipped.data(), w, h, abgr, abgr);
}

void GL_Context::capture(Image* image)
{
	int w = 0, h = 0;
	targetSize(&w, &h);
	if (image && (image->width() < w || image->height() < h))
		lang::throwError(GraphicsException(lang::Format("Capture needs an image of at least {0}x{1}, the image is {2}x{3}",
			double(w), double(h), double(image->width()), double(image->height()))));
	io::ByteArrayOutputStream out;
	capture(out, io::FILEFORMAT_RAW);
	lang::Ptr<Image> created;
	if (!image)
	{
		// The interface returns nothing: the new image lives only for this call.
		created = createImage(w, h, 0, SurfaceFormat::SURFACE_A8B8G8R8, USAGE_STATIC);
		image = created;
	}
	SurfaceFormat const abgr(SurfaceFormat::SURFACE_A8B8G8R8);
	image->blt(0, 0, out.data().data(), int(abgr.getMemoryUsage(w, 1)), 0, w, h, abgr);
}

void GL_Context::flipWindingOrder()
{
	m_batcher.flush();
	m_frontFace = m_frontFace == GL_CW ? GL_CCW : GL_CW;
	GL_State::frontFace(m_frontFace);
}

void GL_Context::flush()
{
	m_batcher.flush();
}

void GL_Context::hibernateContext()
{
	m_textureShadowing.hibernate();
}

void GL_Context::resumeContext()
{
	m_textureShadowing.resume();
}

void GL_Context::saveCachedState(std::string const& name)
{
	m_cachedStates[name] = GL_State::sm_current;
}

void GL_Context::restoreCachedState(std::string const& name)
{
	auto it = m_cachedStates.find(name);
	if (it != m_cachedStates.end())
		GL_State::sm_current = it->second;
}

void GL_Context::resetCachedState()
{
	GL_State::reset();
}

void GL_Context::removeTexture(GL_Texture* texture)
{
	m_textureShadowing.remove(texture);
}

bool GL_Context::isExtensionSupported(char const* name) const
{
	if (!name || !*name || std::strchr(name, ' '))
		return false;
	auto it = m_extensionOverrides.find(name);
	if (it != m_extensionOverrides.end())
		return it->second;
	return GL_isExtensionAvailable(name);
}

void GL_Context::setExtensionOverride(std::string const& name, bool available)
{
	m_extensionOverrides[name] = available;
}

GL_Context* GL_createContext(int width, int height, Context::OrientationType orientation, void (*present)())
{
	if (orientation == Context::ORIENTATION_1 || orientation == Context::ORIENTATION_3)
		std::swap(width, height);
	GL_Context* context = new GL_Context(width, height, orientation, present);
	try
	{
		createShadersTemplates(context);
	}
	catch (...)
	{
		delete context;
		throw;
	}
	return context;
}

} // gles1
} // gr
