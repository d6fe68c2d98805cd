#include "GL2_Context.h"
#include "GL2_Shader.h"
#include "GL_Check.h"
#include "GL_Image.h"
#include <framework/linux/GLLayer.h>
#include <gr/GraphicsException.h>
#include <img/ImageReader.h>
#include <img/ImageWriter.h>
#include <io/PathName.h>
#include <io/std/BundleInputStream.h>
#include <io/std/FileOutputStream.h>
#include <lang/Debug.h>
#include <lang/Format.h>
#include <GLES2/gl2.h>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>

namespace gr
{
namespace gles2
{

namespace
{

// Far beyond the widest line any GL draws.
float const MAX_LINE_WIDTH = 65536.f;

int roundUp32(int n)
{
	return (n + 31) / 32 * 32;
}

// An A8R8G8B8 colour as red, green, blue and alpha of 0 to 255.
math::float4 colorBytes(unsigned color)
{
	return math::float4(float((color >> 16) & 255), float((color >> 8) & 255), float(color & 255), float((color >> 24) & 255));
}

// Reads every mip level of an image file into target (a texture or an
// image), converting to the target's format. Returns the bytes of the
// levels below the base level.
template <class Target>
std::int64_t readLevels(img::ImageReader& reader, Target& target)
{
	SurfaceFormat const format = target.format();
	std::int64_t extraBytes = 0;
	std::vector<unsigned char> buffer;
	int const levels = reader.mipLevels();
	for (int i = 0; i < levels; ++i)
	{
		int const w = reader.surfaceWidth();
		int const h = reader.surfaceHeight();
		std::int64_t const bytes = format.getMemoryUsage(w, h);
		buffer.assign(std::size_t(bytes), 0);
		int const pitch = int(format.getMemoryUsage(w, 1));
		reader.readSurface(buffer.data(), pitch, w, h, format);
		target.blt(0, 0, buffer.data(), pitch, i, w, h, format);
		if (i >= 1)
			extraBytes += bytes;
	}
	return extraBytes;
}

} // namespace

GL_Context::GL_Context(int width, int height, OrientationType orientation, void (*present)()) :
	m_sortWorldTransform(1.f),
	m_sortCameraPosition(0.f, 0.f, 0.f, 0.f),
	m_batcher(this),
	m_projection(1.f),
	m_customModelTransform(1.f),
	m_customModelTransformEnabled(false),
	m_width(width),
	m_height(height),
	m_frontFace(GL_CW),
	m_orientation(orientation),
	m_renderTarget(nullptr),
	m_time(0.f),
	m_fovScaleBias(1.f, 0.f),
	m_present(present)
{
	GL_State::frontFace(m_frontFace);
	GL_State::enable(GL_DEPTH_TEST);
	GL_State().begin(true);
	setViewport(Rect(0, 0, m_width, m_height));
}

GL_Context::~GL_Context()
{
	m_batcher.reset();
	m_plainShader = nullptr;
	m_plainAlphaShader = nullptr;
	m_spriteShader = nullptr;
	m_spriteAlphaShader = nullptr;
	m_dynamicPrimitives.clear();
	m_shaderCache.clear();
}

Shader* GL_Context::createShader(std::string const& name, int flags)
{
	io::PathName const pathName(name);
	std::string const key = pathName.basename();
	auto it = m_shaderCache.find(key);
	if (it != m_shaderCache.end())
		return it->second->clone();
	std::string const path = pathName.drive() + pathName.directory() + key + ".fx";
	GL_Shader* shader = new GL_Shader(this, key, path, flags);
	m_shaderCache[key] = shader;
	return shader;
}

Shader* GL_Context::builtinShader(lang::Ptr<Shader>& field, char const* name)
{
	if (!field)
		field = createShader(io::PathName(m_shaderPath, name).path(), 0);
	return field;
}

Shader* GL_Context::getPlainShader()
{
	return builtinShader(m_plainShader, "2d-vertexcolor");
}

Shader* GL_Context::getPlainAlphaShader()
{
	return builtinShader(m_plainAlphaShader, "2d-vertexcolor-alpha");
}

Shader* GL_Context::getSpriteShader()
{
	return builtinShader(m_spriteShader, "2d-sprite");
}

Shader* GL_Context::getSpriteAlphaShader()
{
	return builtinShader(m_spriteAlphaShader, "2d-sprite-alpha");
}

Texture* GL_Context::createTexture(std::string const& filename)
{
	lang::Ptr<io::InputStream> in = new io::BundleInputStream(filename);
	lang::Ptr<img::ImageReader> reader = new img::ImageReader(in, io::guessFileFormat(filename));
	GL_checkFileMipLevels(reader->mipLevels(), reader->surfaceWidth(), reader->surfaceHeight(), filename);
	int const w = reader->surfaceWidth();
	int const h = reader->surfaceHeight();
	int const mips = reader->mipLevels() - 1;
	// Held by the guard (reference count 0) until it is handed out.
	std::unique_ptr<Texture> texture(createTexture(w, h, mips, reader->format(), USAGE_STATIC));
	texture->setName(filename);
	lang::Debug::printf("Loading texture %s: %dx%d %s (as %s) mips: %d\n", filename.c_str(), w, h,
		reader->format().toString(), texture->format().toString(), mips);
	statistics.counters[Statistics::COUNTER_TEXTUREBYTES] += int(readLevels(*reader, *texture));
	return texture.release();
}

Texture* GL_Context::createTexture(int width, int height, int mipLevels, SurfaceFormat const& format, int flags)
{
	SurfaceFormat const converted = convertToCompatibleSurfaceFormat(*this, format);
	GL_Texture* texture = new GL_Texture(this, width, height, mipLevels, converted, flags);
	statistics.counters[Statistics::COUNTER_TEXTURES] += 1;
	statistics.counters[Statistics::COUNTER_TEXTUREBYTES] += int(texture->format().getMemoryUsage(width, height));
	return texture;
}

Texture* GL_Context::createCubeTexture(std::string const&)
{
	lang::throwError(GraphicsException(lang::Format("Cube textures not supported")));
	return nullptr;
}

Image* GL_Context::createImage(io::InputStream& in, std::string const& name)
{
	lang::Ptr<io::InputStream> source = new io::InputStream(in);
	lang::Ptr<img::ImageReader> reader = new img::ImageReader(source, io::guessFileFormat(name));
	GL_checkFileMipLevels(reader->mipLevels(), reader->surfaceWidth(), reader->surfaceHeight(), name);
	int const w = reader->surfaceWidth();
	int const h = reader->surfaceHeight();
	int const mips = reader->mipLevels() - 1;
	std::unique_ptr<Image> image(createImage(w, h, mips, reader->format(), USAGE_STATIC));
	Texture* texture = image->getTexture();
	texture->setName(name);
	lang::Debug::printf("Loading image %s: %dx%d %s (as %dx%d %s) mips: %d\n", name.c_str(), w, h,
		reader->format().toString(), texture->width(), texture->height(), texture->format().toString(), mips);
	statistics.counters[Statistics::COUNTER_IMAGEBYTES] += int(readLevels(*reader, *image));
	return image.release();
}

Image* GL_Context::createImage(int width, int height, int mipLevels, SurfaceFormat const& format, UsageFlags usage)
{
	SurfaceFormat const converted = convertToCompatibleSurfaceFormat(*this, format);
	GL_Image* image = new GL_Image(this, width, height, mipLevels, converted, usage);
	statistics.counters[Statistics::COUNTER_IMAGES] += 1;
	statistics.counters[Statistics::COUNTER_IMAGEBYTES] += int(image->format().getMemoryUsage(width, height));
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
	GL_Primitive* prim = new GL_Primitive(this, type, vf, roundUp32(vertices), roundUp32(indices), USAGE_SYSMEM);
	m_dynamicPrimitives.push_back(prim);
	return prim;
}

void GL_Context::transform2D(float x, float y, float u, float v, math::float3* out) const
{
	RenderState2D const& rs = m_renderState2D;
	float const du = u - rs.pivot.x;
	float const dv = v - rs.pivot.y;
	float const X = x + rs.pivot.x + rs.translation.x + rs.rotation[0] * du + rs.rotation[2] * dv;
	float const Y = y + rs.pivot.y + rs.translation.y + rs.rotation[1] * du + rs.rotation[3] * dv;
	*out = math::float3(2.f * rs.scale.x / float(m_width) * X - 1.f, 1.f - 2.f * rs.scale.y / float(m_height) * Y, 0.001f);
}

void GL_Context::submitShape(GL_RenderBatcher::Type type, unsigned color, math::float3 const* positions, int count, int lineWidth)
{
	float minX = positions[0].x, maxX = minX, minY = positions[0].y, maxY = minY;
	for (int i = 1; i < count; ++i)
	{
		minX = std::min(minX, positions[i].x);
		maxX = std::max(maxX, positions[i].x);
		minY = std::min(minY, positions[i].y);
		maxY = std::max(maxY, positions[i].y);
	}
	if (!(maxX >= -1.f && maxY >= -1.f && minX < 1.f && minY < 1.f))
		return;

	math::float4 const c = colorBytes(color);
	math::float4 const colors[4] = {c, c, c, c};
	bool const opaque = (color >> 24) == 255 && m_renderState2D.alpha == 1.f;
	Shader* shader = opaque ? getPlainShader() : getPlainAlphaShader();
	int const perItem = type == GL_RenderBatcher::TYPE_LINES ? 2 : 4;
	for (int i = 0; i + perItem <= count; i += perItem)
		m_batcher.render(type, shader, positions + i, nullptr, colors, nullptr, lineWidth);
}

void GL_Context::drawLine2D(unsigned color, int x0, int y0, int x1, int y1, int width)
{
	if (x0 == x1 && y0 == y1)
		return;
	float const dx = float(x1) - float(x0);
	float const dy = float(y1) - float(y0);
	math::float3 p[2];
	transform2D(float(x0), float(y0), 0.f, 0.f, &p[0]);
	transform2D(float(x0), float(y0), dx, dy, &p[1]);
	float const len = std::sqrt(dx * dx + dy * dy);
	float const nx = dx / len;
	float const ny = dy / len;
	math::float2 const& s = m_renderState2D.scale;
	// At least 1 pixel; widths beyond any GL line width (or not a number)
	// are capped before they become an int.
	float const w = std::trunc(float(width) * s.x * ny * ny + float(width) * s.y * nx * nx);
	int const drawn = w >= 1.f ? (w < MAX_LINE_WIDTH ? int(w) : int(MAX_LINE_WIDTH)) : 1;
	submitShape(GL_RenderBatcher::TYPE_LINES, color, p, 2, drawn);
}

void GL_Context::fillRect2D(unsigned color, int x, int y, int width, int height)
{
	math::float3 p[4];
	float const fx = float(x), fy = float(y), w = float(width), h = float(height);
	transform2D(fx, fy, 0.f, 0.f, &p[0]);
	transform2D(fx, fy, w, 0.f, &p[1]);
	transform2D(fx, fy, 0.f, h, &p[2]);
	transform2D(fx, fy, w, h, &p[3]);
	submitShape(GL_RenderBatcher::TYPE_QUADS, color, p, 4, 1);
}

void GL_Context::fillCircle2D(unsigned color, int x, int y, int radius)
{
	float const step = float(std::numbers::pi) * 0.0625f * 2.f;
	math::float3 centre;
	transform2D(float(x), float(y), 0.f, 0.f, &centre);
	float const rx = float(radius) * 2.f * m_renderState2D.scale.x / float(m_width);
	float const ry = float(radius) * 2.f * m_renderState2D.scale.y / float(m_height);
	auto rim = [&](float t) { return math::float3(centre.x + std::cos(t) * rx, centre.y - std::sin(t) * ry, 0.001f); };
	math::float3 p[64];
	for (int k = 0; k < 16; ++k)
	{
		float const t = float(k) * step;
		p[4 * k] = rim(t);
		p[4 * k + 1] = centre;
		p[4 * k + 2] = rim(t + step * 0.5f);
		p[4 * k + 3] = rim(float(k + 1) * step);
	}
	submitShape(GL_RenderBatcher::TYPE_QUADS, color, p, 64, 1);
}

int GL_Context::targetHeight() const
{
	return m_renderTarget ? m_renderTarget->height() : m_height;
}

void GL_Context::setViewport(Rect const& rect)
{
	m_batcher.flush();
	m_viewport = rect;
	GL_State::viewport(rect.left, targetHeight() - rect.bottom, rect.right - rect.left, rect.bottom - rect.top);
}

void GL_Context::setClipRect(Rect const& rect)
{
	m_batcher.flush();
	GL_State::enable(GL_SCISSOR_TEST);
	GL_State::scissor(rect.left, targetHeight() - rect.bottom, std::max(rect.right - rect.left, 0), std::max(rect.bottom - rect.top, 0));
}

void GL_Context::setRenderTarget(Texture* target)
{
	m_batcher.flush();
	unsigned int frameBuffer = EAGLBackbufferFrameBuffer;
	int w = m_width;
	int h = m_height;
	if (target)
	{
		GL_Texture* texture = dynamic_cast<GL_Texture*>(target);
		assert(texture && texture->isRenderTarget() && "render target texture");
		frameBuffer = texture->frameBuffer();
		w = texture->width();
		h = texture->height();
	}
	m_renderTarget = target;
	glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
	GL_CHECK();
	setViewport(Rect(0, 0, w, h));
}

void GL_Context::setPerspectiveProjection(float fov, float front, float back, float aspect)
{
	math::float4x4 m(1.f);
	m.setPerspectiveProjection(fov, front, back, aspect);
	setProjection(m);
}

void GL_Context::setOrthographicProjection()
{
	setProjection(math::float4x4(1.f));
}

void GL_Context::reset(int width, int height)
{
	if (m_orientation == ORIENTATION_1 || m_orientation == ORIENTATION_3)
		std::swap(width, height);
	if (width == m_width && height == m_height)
		return;
	m_width = width;
	m_height = height;
	setViewport(Rect(0, 0, m_width, m_height));
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
	GLbitfield bits = 0;
	if (clearColor)
	{
		math::float4 const c = colorBytes(color) * (1.f / 255.f);
		GL_State::clearColor(c.x, c.y, c.z, c.w);
		bits |= GL_COLOR_BUFFER_BIT;
	}
	if (clearDepth)
	{
		GL_State::depthMask(true);
		bits |= GL_DEPTH_BUFFER_BIT;
	}
	if (clearStencil)
		bits |= GL_STENCIL_BUFFER_BIT;
	if (bits)
	{
		glClear(bits);
		GL_CHECK();
	}
	if (clearDepth)
		GL_State::depthMask(false);
}

void GL_Context::readFrame(std::vector<unsigned char>& pixels, int* width, int* height)
{
	m_batcher.flush();
	int const w = m_renderTarget ? m_renderTarget->width() : m_width;
	int const h = m_renderTarget ? m_renderTarget->height() : m_height;
	*width = w;
	*height = h;
	std::size_t const rowBytes = std::size_t(w) * 4;
	pixels.assign(rowBytes * std::size_t(h), 0);

	// The frame starts at the viewport's lower-left corner; only the part
	// inside the target is read, the rest stays zero.
	int const x0 = m_viewport.left;
	int const y0 = h - m_viewport.bottom;
	int const rx0 = std::clamp(x0, 0, w);
	int const rx1 = std::clamp(x0 + w, 0, w);
	int const ry0 = std::clamp(y0, 0, h);
	int const ry1 = std::clamp(y0 + h, 0, h);
	if (rx1 <= rx0 || ry1 <= ry0)
		return;
	int const rw = rx1 - rx0;
	int const rh = ry1 - ry0;
	std::vector<unsigned char> rows(std::size_t(rw) * 4 * std::size_t(rh));
	glPixelStorei(GL_PACK_ALIGNMENT, 4);
	GL_CHECK();
	glReadPixels(rx0, ry0, rw, rh, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
	GL_CHECK();
	// GL rows run bottom-up; the frame is stored top row first.
	for (int k = 0; k < rh; ++k)
	{
		int const frameRow = h - 1 - (ry0 + k - y0);
		std::memcpy(&pixels[std::size_t(frameRow) * rowBytes + std::size_t(rx0 - x0) * 4], &rows[std::size_t(k) * rw * 4], std::size_t(rw) * 4);
	}
}

void GL_Context::capture(std::string const& filename)
{
	lang::Ptr<io::FileOutputStream> out = new io::FileOutputStream(filename);
	capture(*out, io::guessFileFormat(filename));
	out->close();
}

void GL_Context::capture(io::OutputStream& out, io::FileFormat fileFormat)
{
	std::vector<unsigned char> pixels;
	int w = 0, h = 0;
	readFrame(pixels, &w, &h);
	SurfaceFormat const format(SurfaceFormat::SURFACE_A8B8G8R8);
	img::ImageWriter::write(out, fileFormat, pixels.data(), w, h, format, format);
}

void GL_Context::capture(Image* image)
{
	int const w = m_renderTarget ? m_renderTarget->width() : m_width;
	int const h = m_renderTarget ? m_renderTarget->height() : m_height;
	// Without an image one is made for the frame; nothing can hand it out,
	// so it goes again at the end.
	lang::Ptr<Image> created;
	if (!image)
	{
		created = createImage(w, h, 0, SurfaceFormat::SURFACE_A8B8G8R8, USAGE_STATIC);
		image = created;
	}
	else if (image->width() < w || image->height() < h)
	{
		lang::throwError(GraphicsException(lang::Format("Image of {0}x{1} is too small to capture a frame of {2}x{3}",
			double(image->width()), double(image->height()), double(w), double(h))));
	}
	std::vector<unsigned char> pixels;
	int fw = 0, fh = 0;
	readFrame(pixels, &fw, &fh);
	// The texture converts from the captured format into its own.
	image->blt(0, 0, pixels.data(), fw * 4, 0, fw, fh, SurfaceFormat::SURFACE_A8B8G8R8);
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
	return GL_isExtensionAvailable(name);
}

GL_Context* GL_createContext(int width, int height, Context::OrientationType orientation, void (*present)())
{
	if (orientation == Context::ORIENTATION_1 || orientation == Context::ORIENTATION_3)
		std::swap(width, height);
	return new GL_Context(width, height, orientation, present);
}

} // gles2
} // gr
