#include "GL_ContextBase.h"
#include "GL_Backend.h"
#include "GL_Check.h"
#include "GL_Image.h"
#include "GL_StateBase.h"
#include <gr/gl/GLPlatform.h>
#include <gr/GraphicsException.h>
#include <img/ImageReader.h>
#include <img/ImageWriter.h>
#include <io/PathName.h>
#include <lang/Throwable.h>
#include <io/std/BundleInputStream.h>
#include <io/std/FileOutputStream.h>
#include <lang/Debug.h>
#include <lang/Format.h>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numbers>

#include <GLES2/gl2.h>

namespace gr
{
namespace gl
{

namespace
{

// Upper bound of a 2D line width in pixels, far beyond the widest line any
// GL draws.
float const MAX_LINE_WIDTH = 65536.f;

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

// Reads every mip level of an image file into target (a texture or an
// image), converting to the target's format; the bytes of the levels below
// the base level go to bytesCounter.
template <class Target>
void readLevels(img::ImageReader& reader, Target& target, int& bytesCounter)
{
	SurfaceFormat const format = target.format();
	std::vector<unsigned char> buffer;
	int const levels = reader.mipLevels();
	for (int level = 0; level < levels; ++level)
	{
		int const w = reader.surfaceWidth();
		int const h = reader.surfaceHeight();
		std::int64_t const bytes = format.getMemoryUsage(w, h);
		buffer.assign(std::size_t(bytes), 0);
		int const pitch = int(format.getMemoryUsage(w, 1));
		reader.readSurface(buffer.data(), pitch, w, h, format);
		target.blt(0, 0, buffer.data(), pitch, level, w, h, format);
		if (level > 0)
			addBytes(bytesCounter, bytes);
	}
}

} // namespace

GL_ContextBase::GL_ContextBase(GL_Backend const& backend, int width, int height, OrientationType orientation, void (*present)()) :
	m_backend(&backend),
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
	m_textureShadowing(backend),
	m_present(present),
	m_drawsSinceSubmit(0)
{
	GL_StateBase& shadow = *backend.shadow;
	shadow.frontFace(m_frontFace);
	shadow.enable(GL_DEPTH_TEST);
	backend.beginDefaultState();
	setViewport(Rect(0, 0, m_width, m_height));
}

void GL_ContextBase::releaseResources()
{
	m_batcher.reset();
	for (lang::Ptr<Shader>& shader : m_builtinShaders)
		shader = nullptr;
	for (auto& forms : m_fragmentForms)
	{
		for (lang::Ptr<Shader>& shader : forms)
			shader = nullptr;
	}
	m_dynamicPrimitives.clear();
}

Shader* GL_ContextBase::builtinShader(BuiltinShader which)
{
	lang::Ptr<Shader>& shader = m_builtinShaders[which];
	if (!shader && m_backend->builtinShaderNames[which])
		shader = createShader(io::PathName(m_shaderPath, m_backend->builtinShaderNames[which]).path(), 0);
	return shader;
}

int GL_ContextBase::multiImageFormSize(int images)
{
	int size = 2;
	while (size < images)
		size *= 2;
	return size;
}

Shader* GL_ContextBase::multiImageShader(Shader* shader, int images)
{
	if (!shader || images < 2 || images > MAX_BATCH_IMAGES)
		return nullptr;
	int first;
	if (shader == m_builtinShaders[BUILTIN_SPRITE])
		first = BUILTIN_SPRITE_IMAGES2;
	else if (shader == m_builtinShaders[BUILTIN_SPRITE_ALPHA])
		first = BUILTIN_SPRITE_ALPHA_IMAGES2;
	else
		return nullptr;
	if (m_fragmentTextureUnits == 0)
	{
		if (m_backend->fragmentTextureUnitsQuery)
		{
			GLint units = 0;
			glGetIntegerv(m_backend->fragmentTextureUnitsQuery, &units);
			GL_CHECK();
			m_fragmentTextureUnits = std::clamp(int(units), 1, int(GL_StateBase::TEXTURE_UNITS));
		}
		else
			m_fragmentTextureUnits = 1;
	}
	int const size = multiImageFormSize(images);
	if (size > m_fragmentTextureUnits)
		return nullptr;
	int form = 0;
	while ((2 << form) < size)
		++form;
	BuiltinShader const which = BuiltinShader(first + form);
	if (m_builtinMissing[which])
		return nullptr;
	// A shader folder of an application's own may lack these forms: its
	// batches then take as many images as the forms it has allow, one
	// image where it has none, as they always did.
	try
	{
		return builtinShader(which);
	}
	catch (lang::Throwable const&)
	{
		m_builtinMissing[which] = true;
		return nullptr;
	}
}

Shader* GL_ContextBase::fragmentForm(Shader* shader, float colorSaturation, float alpha)
{
	if (!m_backend->fragmentForms)
		return shader;
	// Form 1 skips the grey mix, 2 the alpha factor, 3 both; each slot's
	// effect is named by the slot's with a suffix.
	int const form = (colorSaturation == 1.f ? 1 : 0) + (alpha == 1.f ? 2 : 0);
	if (!shader || form == 0)
		return shader;
	int slot = 0;
	while (slot < SPRITE_SLOTS && m_builtinShaders[BUILTIN_SPRITE + slot] != shader)
		++slot;
	if (slot == SPRITE_SLOTS || m_fragmentFormMissing[slot][form - 1])
		return shader;
	lang::Ptr<Shader>& formShader = m_fragmentForms[slot][form - 1];
	if (!formShader)
	{
		char const* const SUFFIXES[FRAGMENT_FORMS] = {"-s1", "-a1", "-s1a1"};
		std::string const name = std::string(m_backend->builtinShaderNames[BUILTIN_SPRITE + slot]) + SUFFIXES[form - 1];
		// A shader folder of an application's own may lack the forms: its
		// batches then draw with the full form, as they always did.
		try
		{
			formShader = createShader(io::PathName(m_shaderPath, name).path(), 0);
		}
		catch (lang::Throwable const&)
		{
			m_fragmentFormMissing[slot][form - 1] = true;
			return shader;
		}
	}
	return formShader;
}

Shader* GL_ContextBase::getPlainShader()
{
	return builtinShader(BUILTIN_PLAIN);
}

Shader* GL_ContextBase::getPlainAlphaShader()
{
	return builtinShader(BUILTIN_PLAIN_ALPHA);
}

Shader* GL_ContextBase::getSpriteShader()
{
	return builtinShader(BUILTIN_SPRITE);
}

Shader* GL_ContextBase::getSpriteAlphaShader()
{
	return builtinShader(BUILTIN_SPRITE_ALPHA);
}

Texture* GL_ContextBase::createTexture(std::string const& filename)
{
	lang::Ptr<io::InputStream> in = new io::BundleInputStream(filename);
	img::ImageReader reader(in, io::guessFileFormat(filename));
	GL_checkFileMipLevels(reader.mipLevels(), reader.surfaceWidth(), reader.surfaceHeight(), filename);
	int const w = reader.surfaceWidth();
	int const h = reader.surfaceHeight();
	int const mips = reader.mipLevels() - 1;
	// Held by the guard (reference count 0) until it is handed out.
	std::unique_ptr<Texture> texture(createTexture(w, h, mips, reader.format(), USAGE_STATIC));
	texture->setName(filename);
	lang::Debug::debug("Loading texture %s: %dx%d %s (as %s) mips: %d\n", filename.c_str(), w, h,
		reader.format().toString(), texture->format().toString(), mips);
	readLevels(reader, *texture, statistics.counters[Statistics::COUNTER_TEXTUREBYTES]);
	return texture.release();
}

Texture* GL_ContextBase::createTexture(int width, int height, int mipLevels, SurfaceFormat const& format, int flags)
{
	SurfaceFormat const compatible = convertToCompatibleSurfaceFormat(*this, format);
	GL_Texture* texture = new GL_Texture(this, width, height, mipLevels, compatible, flags);
	statistics.counters[Statistics::COUNTER_TEXTURES] += 1;
	addBytes(statistics.counters[Statistics::COUNTER_TEXTUREBYTES], texture->format().getMemoryUsage(width, height));
	return texture;
}

Texture* GL_ContextBase::createCubeTexture(std::string const&)
{
	lang::throwError(GraphicsException(lang::Format("Cube textures not supported")));
}

Image* GL_ContextBase::createImage(io::InputStream& in, std::string const& name)
{
	lang::Ptr<io::InputStream> source = new io::InputStream(in);
	img::ImageReader reader(source, io::guessFileFormat(name));
	GL_checkFileMipLevels(reader.mipLevels(), reader.surfaceWidth(), reader.surfaceHeight(), name);
	int const w = reader.surfaceWidth();
	int const h = reader.surfaceHeight();
	int const mips = reader.mipLevels() - 1;
	std::unique_ptr<Image> image(createImage(w, h, mips, reader.format(), USAGE_STATIC));
	Texture* texture = image->getTexture();
	texture->setName(name);
	lang::Debug::debug("Loading image %s: %dx%d %s (as %dx%d %s) mips: %d\n", name.c_str(), w, h,
		reader.format().toString(), texture->width(), texture->height(), image->format().toString(), mips);
	readLevels(reader, *image, statistics.counters[Statistics::COUNTER_IMAGEBYTES]);
	return image.release();
}

Image* GL_ContextBase::createImage(int width, int height, int mipLevels, SurfaceFormat const& format, UsageFlags usage)
{
	SurfaceFormat const compatible = convertToCompatibleSurfaceFormat(*this, format);
	GL_Image* image = new GL_Image(this, width, height, mipLevels, compatible, usage);
	statistics.counters[Statistics::COUNTER_IMAGES] += 1;
	addBytes(statistics.counters[Statistics::COUNTER_IMAGEBYTES], image->format().getMemoryUsage(width, height));
	return image;
}

Primitive* GL_ContextBase::createPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices, UsageFlags usage)
{
	return new GL_Primitive(this, type, vf, vertices, indices, usage);
}

Primitive* GL_ContextBase::getDynamicPrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices)
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

void GL_ContextBase::transform2D(float x, float y, float u, float v, math::float3* out) const
{
	RenderState2D const& rs = m_renderState2D;
	float const du = u - rs.pivot.x;
	float const dv = v - rs.pivot.y;
	float const px = x + rs.pivot.x + rs.translation.x + rs.rotation[0] * du + rs.rotation[2] * dv;
	float const py = y + rs.pivot.y + rs.translation.y + rs.rotation[1] * du + rs.rotation[3] * dv;
	*out = math::float3(2.f * rs.scale.x / float(m_width) * px - 1.f, 1.f - 2.f * rs.scale.y / float(m_height) * py, 0.001f);
}

bool GL_ContextBase::touchesScreen(math::float3 const* positions, int count)
{
	float minX = positions[0].x, maxX = minX, minY = positions[0].y, maxY = minY;
	for (int i = 1; i < count; ++i)
	{
		minX = std::min(minX, positions[i].x);
		maxX = std::max(maxX, positions[i].x);
		minY = std::min(minY, positions[i].y);
		maxY = std::max(maxY, positions[i].y);
	}
	return maxX >= -1.f && maxY >= -1.f && minX < 1.f && minY < 1.f;
}

void GL_ContextBase::drawLine2D(unsigned color, int x0, int y0, int x1, int y1, int width)
{
	if (x0 == x1 && y0 == y1)
		return;
	// In float: the difference of two ints may not fit an int.
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

void GL_ContextBase::fillRect2D(unsigned color, int x, int y, int width, int height)
{
	math::float3 p[4];
	float const fx = float(x), fy = float(y), w = float(width), h = float(height);
	transform2D(fx, fy, 0.f, 0.f, &p[0]);
	transform2D(fx, fy, w, 0.f, &p[1]);
	transform2D(fx, fy, 0.f, h, &p[2]);
	transform2D(fx, fy, w, h, &p[3]);
	submitShape(GL_RenderBatcher::TYPE_QUADS, color, p, 4, 1);
}

void GL_ContextBase::fillCircle2D(unsigned color, int x, int y, int radius)
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

int GL_ContextBase::targetHeight() const
{
	return m_renderTarget ? m_renderTarget->height() : m_height;
}

void GL_ContextBase::targetSize(int* w, int* h) const
{
	*w = m_renderTarget ? m_renderTarget->width() : m_width;
	*h = m_renderTarget ? m_renderTarget->height() : m_height;
}

void GL_ContextBase::setViewport(Rect const& rect)
{
	m_batcher.flush();
	m_viewport = rect;
	m_backend->shadow->viewport(rect.left, targetHeight() - rect.bottom, rect.width(), rect.height());
}

void GL_ContextBase::setClipRect(Rect const& rect)
{
	m_batcher.flush();
	m_backend->shadow->enable(GL_SCISSOR_TEST);
	m_backend->scissor(rect.left, targetHeight() - rect.bottom, std::max(rect.width(), 0), std::max(rect.height(), 0));
}

void GL_ContextBase::setRenderTarget(Texture* target)
{
	m_batcher.flush();
	unsigned int frameBuffer = EAGLBackbufferFrameBuffer;
	if (target)
	{
		GL_Texture* texture = dynamic_cast<GL_Texture*>(target);
		assert(texture && texture->isRenderTarget() && "a render-target texture of this back end");
		frameBuffer = texture->frameBuffer();
	}
	m_renderTarget = target;
	m_backend->bindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
	GL_CHECK();
	int w = 0, h = 0;
	targetSize(&w, &h);
	setViewport(Rect(0, 0, w, h));
}

void GL_ContextBase::setPerspectiveProjection(float fov, float front, float back, float aspect)
{
	math::float4x4 m(1.f);
	m.setPerspectiveProjection(fov, front, back, aspect);
	setProjection(m);
}

void GL_ContextBase::setOrthographicProjection()
{
	setProjection(math::float4x4(1.f));
}

void GL_ContextBase::reset(int width, int height)
{
	if (m_orientation == ORIENTATION_1 || m_orientation == ORIENTATION_3)
		std::swap(width, height);
	if (width == m_width && height == m_height)
		return;
	m_width = width;
	m_height = height;
	setViewport(Rect(0, 0, m_width, m_height));
}

void GL_ContextBase::present()
{
	m_batcher.flush();
	m_drawsSinceSubmit = 0;
	if (m_present)
		m_present();
}

void GL_ContextBase::clear(unsigned color, bool clearColor, bool clearDepth, bool clearStencil)
{
	setClipRect(m_renderState2D.clipRect);
	GLbitfield mask = 0;
	if (clearColor)
	{
		float rgba[4];
		m_backend->colorToFloats(color, rgba);
		m_backend->shadow->clearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
		mask |= GL_COLOR_BUFFER_BIT;
		// A frame begins: its draws are counted afresh (drawCallIssued).
		m_drawsSinceSubmit = 0;
	}
	if (clearDepth)
	{
		m_backend->shadow->depthMask(true);
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
		m_backend->shadow->depthMask(false);
}

void GL_ContextBase::readFrame(std::vector<unsigned char>& pixels, int* width, int* height)
{
	m_batcher.flush();
	int w = 0, h = 0;
	targetSize(&w, &h);
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

void GL_ContextBase::capture(std::string const& filename)
{
	lang::Ptr<io::FileOutputStream> out = new io::FileOutputStream(filename);
	capture(*out, io::guessFileFormat(filename));
	out->close();
}

void GL_ContextBase::capture(io::OutputStream& out, io::FileFormat fileFormat)
{
	std::vector<unsigned char> pixels;
	int w = 0, h = 0;
	readFrame(pixels, &w, &h);
	SurfaceFormat const format(SurfaceFormat::SURFACE_A8B8G8R8);
	img::ImageWriter::write(out, fileFormat, pixels.data(), w, h, format, format);
}

void GL_ContextBase::flipWindingOrder()
{
	m_batcher.flush();
	m_frontFace = m_frontFace == GL_CW ? GL_CCW : GL_CW;
	m_backend->shadow->frontFace(m_frontFace);
}

void GL_ContextBase::flush()
{
	m_batcher.flush();
}

void GL_ContextBase::drawCallIssued()
{
	if (++m_drawsSinceSubmit < DRAWS_PER_SUBMIT)
		return;
	m_drawsSinceSubmit = 0;
	glFlush();
	GL_CHECK();
}

void GL_ContextBase::hibernateContext()
{
	m_textureShadowing.hibernate();
}

void GL_ContextBase::resumeContext()
{
	m_textureShadowing.resume();
}

void GL_ContextBase::removeTexture(GL_Texture* texture)
{
	m_textureShadowing.remove(texture);
}

} // gl
} // gr
