#include "GL_Texture.h"
#include "GL_Check.h"
#include <gr/GraphicsException.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>

#include "GL_Backend.h"
#include "GL_StateBase.h"
#include <GLES2/gl2.h>
#include <GLES2/gl2ext.h>

namespace gr
{
namespace gl
{

namespace
{

// Compressed formats that the extensions name.
const unsigned int COMPRESSED_RGB_PVRTC_4BPPV1 = 0x8C00;
const unsigned int COMPRESSED_RGB_PVRTC_2BPPV1 = 0x8C01;
const unsigned int COMPRESSED_RGBA_PVRTC_4BPPV1 = 0x8C02;
const unsigned int COMPRESSED_RGBA_PVRTC_2BPPV1 = 0x8C03;
const unsigned int ETC1_RGB8 = 0x8D64;

char const* const EXT_ETC1 = "GL_OES_compressed_ETC1_RGB8_texture";
char const* const EXT_PVRTC = "GL_IMG_texture_compression_pvrtc";
char const* const EXT_NPOT = "GL_OES_texture_npot";

bool isPowerOfTwo(int v)
{
	return v > 0 && (v & (v - 1)) == 0;
}

bool isPVRTC(SurfaceFormat const& f)
{
	return f.type() >= SurfaceFormat::SURFACE_RGB_PVRTC_GL_2BPP && f.type() <= SurfaceFormat::SURFACE_RGBA_PVRTC_GL_4BPP;
}

GLint getInteger(GLenum pname)
{
	GLint v[4] = {};
	glGetIntegerv(pname, v);
	GL_CHECK();
	return v[0];
}

// Unbinds the texture of the active unit (shadow and GL) when one is bound.
void unbindActiveTexture(GL_StateBase& shadow)
{
	if (shadow.m_bindedTexture[shadow.m_activeTexture - GL_TEXTURE0] != 0)
		shadow.bindTexture(GL_TEXTURE_2D, 0);
}

[[noreturn]] void throwUnsupportedFormat(SurfaceFormat const& format)
{
	lang::throwError(GraphicsException(lang::Format("Unsupported texture format: {0}", format.toString())));
}

} // namespace

int GL_fullMipCount(int width, int height)
{
	int size = std::max(width, height);
	int count = 0;
	while (size >= 2)
	{
		size >>= 1;
		++count;
	}
	return count;
}

void GL_checkFileMipLevels(int levels, int width, int height, std::string const& name)
{
	if (levels < 1 || levels - 1 > GL_fullMipCount(width, height))
		lang::throwError(GraphicsException(lang::Format("Invalid mip level count {0} for a {1}x{2} image in {3}",
			double(levels), double(width), double(height), name)));
}

bool GL_isExtensionInList(char const* list, char const* name)
{
	if (!list || !name || !*name || std::strchr(name, ' '))
		return false;
	std::size_t const len = std::strlen(name);
	for (char const* p = std::strstr(list, name); p; p = std::strstr(p + 1, name))
	{
		bool const startsWord = p == list || p[-1] == ' ';
		bool const endsWord = p[len] == ' ' || p[len] == 0;
		if (startsWord && endsWord)
			return true;
	}
	return false;
}

bool GL_isExtensionAvailable(char const* name)
{
	char const* list = reinterpret_cast<char const*>(glGetString(GL_EXTENSIONS));
	GL_CHECK();
	return GL_isExtensionInList(list, name);
}

namespace
{

template <class HasExtension>
SurfaceFormat compatibleFormat(SurfaceFormat const& format, HasExtension hasExtension)
{
	switch (format.type())
	{
	case SurfaceFormat::SURFACE_R8G8B8:
		return SurfaceFormat::SURFACE_B8G8R8;
	case SurfaceFormat::SURFACE_A8R8G8B8:
	case SurfaceFormat::SURFACE_P4:
	case SurfaceFormat::SURFACE_P8:
		return SurfaceFormat::SURFACE_A8B8G8R8;
	case SurfaceFormat::SURFACE_ETC1_RGB_4BPP:
		return hasExtension(EXT_ETC1) ? format : SurfaceFormat(SurfaceFormat::SURFACE_R5G6B5);
	case SurfaceFormat::SURFACE_RGB_PVRTC_GL_2BPP:
	case SurfaceFormat::SURFACE_RGB_PVRTC_GL_4BPP:
		return hasExtension(EXT_PVRTC) ? format : SurfaceFormat(SurfaceFormat::SURFACE_R5G6B5);
	case SurfaceFormat::SURFACE_RGBA_PVRTC_GL_2BPP:
	case SurfaceFormat::SURFACE_RGBA_PVRTC_GL_4BPP:
		return hasExtension(EXT_PVRTC) ? format : SurfaceFormat(SurfaceFormat::SURFACE_A8B8G8R8);
	default:
		return format;
	}
}

} // namespace

SurfaceFormat convertToCompatibleSurfaceFormat(GL_TextureHost const& host, SurfaceFormat const& format)
{
	return compatibleFormat(format, [&host](char const* name) { return host.isExtensionSupported(name); });
}

SurfaceFormat convertToCompatibleSurfaceFormat(SurfaceFormat const& format)
{
	return compatibleFormat(format, [](char const* name) { return GL_isExtensionAvailable(name); });
}

void getGLFormat(SurfaceFormat const& format, unsigned int* type, unsigned int* glFormat)
{
	unsigned int t = 0;
	unsigned int f = 0;
	switch (format.type())
	{
	case SurfaceFormat::SURFACE_R8G8B8:
	case SurfaceFormat::SURFACE_B8G8R8:
		f = GL_RGB;
		t = GL_UNSIGNED_BYTE;
		break;
	case SurfaceFormat::SURFACE_A8R8G8B8:
	case SurfaceFormat::SURFACE_A8B8G8R8:
		f = GL_RGBA;
		t = GL_UNSIGNED_BYTE;
		break;
	case SurfaceFormat::SURFACE_R5G6B5:
		f = GL_RGB;
		t = GL_UNSIGNED_SHORT_5_6_5;
		break;
	case SurfaceFormat::SURFACE_L8:
		f = GL_LUMINANCE;
		t = GL_UNSIGNED_BYTE;
		break;
	case SurfaceFormat::SURFACE_A8L8:
		f = GL_LUMINANCE_ALPHA;
		t = GL_UNSIGNED_BYTE;
		break;
	case SurfaceFormat::SURFACE_R4G4B4A4:
		f = GL_RGBA;
		t = GL_UNSIGNED_SHORT_4_4_4_4;
		break;
	case SurfaceFormat::SURFACE_R5G5B5A1:
		f = GL_RGBA;
		t = GL_UNSIGNED_SHORT_5_5_5_1;
		break;
	case SurfaceFormat::SURFACE_A8:
		f = GL_ALPHA;
		t = GL_UNSIGNED_BYTE;
		break;
	case SurfaceFormat::SURFACE_RGB_PVRTC_GL_2BPP:
		f = COMPRESSED_RGB_PVRTC_2BPPV1;
		break;
	case SurfaceFormat::SURFACE_RGBA_PVRTC_GL_2BPP:
		f = COMPRESSED_RGBA_PVRTC_2BPPV1;
		break;
	case SurfaceFormat::SURFACE_RGB_PVRTC_GL_4BPP:
		f = COMPRESSED_RGB_PVRTC_4BPPV1;
		break;
	case SurfaceFormat::SURFACE_RGBA_PVRTC_GL_4BPP:
		f = COMPRESSED_RGBA_PVRTC_4BPPV1;
		break;
	case SurfaceFormat::SURFACE_ETC1_RGB_4BPP:
		f = ETC1_RGB8;
		break;
	default:
		throwUnsupportedFormat(format);
	}
	if (type)
		*type = t;
	if (glFormat)
		*glFormat = f;
}

ShadowingSurfaceData::ShadowingSurfaceData(int x_, int y_, void const* data, int pitch_, int mipLevel_, int width_, int height_, SurfaceFormat const& format_) :
	x(x_),
	y(y_),
	pitch(pitch_),
	mipLevel(mipLevel_),
	width(width_),
	height(height_),
	format(format_)
{
	unsigned char const* src = static_cast<unsigned char const*>(data);
	bytes.assign(src, src + format.getMemoryUsage(width, height));
}

GL_Texture::GL_Texture(GL_TextureHost* host, int width, int height, int mipCount, SurfaceFormat const& format, int usage) :
	m_tex(0),
	m_fbo(0),
	m_depth(0),
	m_width(width),
	m_height(height),
	m_format(format),
	m_lockType(LOCK_NONE),
	m_host(host),
	m_backend(host ? &host->glBackend() : nullptr),
	m_mipCount(mipCount),
	m_usage(usage),
	m_replaying(false)
{
	assert(host);
	allocate(host, width, height, mipCount, format, usage);
	if (host->textureShadowing().enabled())
		host->textureShadowing().add(this);
}

GL_StateBase& GL_Texture::shadow() const
{
	return *m_backend->shadow;
}

GL_Texture::~GL_Texture()
{
	// Leave the list whatever the switch says now: it may have been on when
	// this texture was listed.
	m_host->textureShadowing().remove(this);
	deallocate();
}

void GL_Texture::allocate(GL_TextureHost* host, int width, int height, int mipCount, SurfaceFormat const& format, int usage)
{
	deallocate();

	m_host = host;
	m_width = width;
	m_height = height;
	m_mipCount = mipCount;
	m_format = format;
	m_usage = usage;

	bool const renderTarget = isRenderTarget();
	int const fullMips = GL_fullMipCount(width, height);
	assert(mipCount >= 0 && mipCount <= fullMips && "mipcount >= 0 && mipcount <= fullMips");
	assert(width > 0 && height > 0);

	// Every check that can fail comes before the GL texture exists.
	int const maxSize = getInteger(GL_MAX_TEXTURE_SIZE);
	if (width > maxSize || height > maxSize)
		lang::throwError(GraphicsException(lang::Format("Texture is too large: {0}x{1}, maximum supported size: {2}x{3}",
			double(width), double(height), double(maxSize), double(maxSize))));

	if (renderTarget && format.compressed())
		lang::throwError(GraphicsException(lang::Format("Render target format not supported: {0}", format.toString())));
	assert(!(mipCount > 1 && renderTarget) && "!(mipcount > 1 && isRenderTarget)");

	unsigned int type = 0;
	unsigned int glFormat = 0;
	getGLFormat(format, &type, &glFormat);
	if ((isPVRTC(format) && !host->isExtensionSupported(EXT_PVRTC)) ||
		(format.type() == SurfaceFormat::SURFACE_ETC1_RGB_4BPP && !host->isExtensionSupported(EXT_ETC1)))
		throwUnsupportedFormat(format);

	bool const npot = !isPowerOfTwo(width) || !isPowerOfTwo(height);
	bool const clampNpot = npot && !host->isExtensionSupported(EXT_NPOT);
	if (clampNpot && mipCount > 0)
		lang::throwError(GraphicsException(lang::Format("Mipmapping is not supported with non power-of-two textures")));

	glGenTextures(1, &m_tex);
	GL_CHECK();
	shadow().activeTexture(GL_TEXTURE0);
	shadow().bindTexture(GL_TEXTURE_2D, m_tex);

	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, mipCount == fullMips ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
	GL_CHECK();
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
	GL_CHECK();
	if (clampNpot)
	{
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
		GL_CHECK();
		glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
		GL_CHECK();
	}

	// Uncompressed levels are reserved here so that blt only updates them;
	// compressed levels are defined whole by blt.
	if (!format.compressed())
	{
		for (int level = 0; level <= mipCount; ++level)
		{
			glTexImage2D(GL_TEXTURE_2D, level, glFormat, std::max(width >> level, 1), std::max(height >> level, 1), 0, glFormat, type, nullptr);
			GL_CHECK();
		}
	}

	if (!renderTarget)
	{
		unbindActiveTexture(shadow());
		return;
	}

	try
	{
		createRenderTarget();
	}
	catch (...)
	{
		deallocate();
		throw;
	}
}

void GL_Texture::createRenderTarget()
{
	// The caller may be drawing into another frame buffer: put its bindings back.
	GLuint const oldFbo = GLuint(getInteger(GL_FRAMEBUFFER_BINDING));
	GLuint const oldRenderbuffer = GLuint(getInteger(GL_RENDERBUFFER_BINDING));
	auto restoreBindings = [&]() {
		m_backend->bindRenderbuffer(GL_RENDERBUFFER, oldRenderbuffer);
		GL_CHECK();
		m_backend->bindFramebuffer(GL_FRAMEBUFFER, oldFbo);
		GL_CHECK();
	};

	m_backend->genFramebuffers(1, &m_fbo);
	GL_CHECK();
	m_backend->bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
	GL_CHECK();
	m_backend->framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_tex, 0);
	GL_CHECK();
	m_backend->genRenderbuffers(1, &m_depth);
	GL_CHECK();
	m_backend->bindRenderbuffer(GL_RENDERBUFFER, m_depth);
	GL_CHECK();
	m_backend->renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, m_width, m_height);
	GL_CHECK();
	m_backend->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
	GL_CHECK();

	GLenum const status = m_backend->checkFramebufferStatus(GL_FRAMEBUFFER);
	GL_CHECK();
	if (status != GL_FRAMEBUFFER_COMPLETE)
	{
		restoreBindings();
		lang::throwError(GraphicsException(lang::Format("Render target format not supported: {0}", m_format.toString())));
	}

	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
	GL_CHECK();
	glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
	GL_CHECK();

	// The first clear covers the whole target, whatever scissor box is set.
	bool const scissor = shadow().m_caps[GL_SCISSOR_TEST];
	if (scissor)
		shadow().disable(GL_SCISSOR_TEST);
	shadow().depthMask(true);
	shadow().clearColor(1.f, 0.f, 1.f, m_backend->newTargetAlpha);
	glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
	GL_CHECK();
	shadow().depthMask(false);
	if (scissor)
		shadow().enable(GL_SCISSOR_TEST);

	restoreBindings();
}

void GL_Texture::deallocate()
{
	if (m_tex != 0)
	{
		int const units = std::min(getInteger(m_backend->textureUnitsQuery), int(GL_StateBase::TEXTURE_UNITS));
		for (int unit = units - 1; unit >= 0; --unit)
		{
			shadow().activeTexture(GL_TEXTURE0 + unit);
			unbindActiveTexture(shadow());
		}
		glDeleteTextures(1, &m_tex);
		GL_CHECK();
		m_tex = 0;
	}
	if (m_depth != 0)
	{
		m_backend->deleteRenderbuffers(1, &m_depth);
		GL_CHECK();
		m_depth = 0;
	}
	if (m_fbo != 0)
	{
		m_backend->deleteFramebuffers(1, &m_fbo);
		GL_CHECK();
		m_fbo = 0;
	}
	glFinish();
	GL_CHECK();
}

void GL_Texture::blt(int x, int y, void const* data, int pitch, int mipLevel, int w, int h, SurfaceFormat const& fmt)
{
	assert(data);
	assert(pitch * 8 >= w * fmt.bitsPerPixel() && "pitch*8 >= w*fmt.bitsPerPixel()");
	assert(x >= 0 && y >= 0 && w > 0 && h > 0);
	assert(mipLevel >= 0 && mipLevel <= m_mipCount);
	assert(x + w <= std::max(m_width >> mipLevel, 1) && y + h <= std::max(m_height >> mipLevel, 1));
	assert(m_tex != 0);

	// Pixels of another format are converted (compressed ones decoded) into
	// the texture's format; rows of a padded source are packed, since the GL
	// reads tightly packed rows.
	std::unique_ptr<unsigned char[]> converted;
	if (fmt.type() != m_format.type())
	{
		assert(!m_format.compressed() && "fmt == m_format");
		int const rowBytes = int(m_format.getMemoryUsage(w, 1));
		converted.reset(new unsigned char[std::size_t(m_format.getMemoryUsage(w, h))]);
		int const srcPitch = fmt.compressed() ? int(fmt.getMemoryUsage(w, 1)) : pitch;
		m_format.copyPixels(converted.get(), rowBytes, SurfaceFormat(), nullptr, fmt, data, srcPitch, SurfaceFormat(), nullptr, w, h);
		data = converted.get();
		pitch = rowBytes;
	}
	else if (!m_format.compressed())
	{
		int const rowBytes = int(m_format.getMemoryUsage(w, 1));
		if (pitch != rowBytes)
		{
			converted.reset(new unsigned char[std::size_t(m_format.getMemoryUsage(w, h))]);
			for (int row = 0; row < h; ++row)
				std::memcpy(converted.get() + std::size_t(row) * rowBytes, static_cast<unsigned char const*>(data) + std::size_t(row) * pitch, rowBytes);
			data = converted.get();
			pitch = rowBytes;
		}
	}

	if (!m_replaying && m_host->textureShadowing().enabled())
		m_shadowRecords.push_back(new ShadowingSurfaceData(x, y, data, pitch, mipLevel, w, h, m_format));

	shadow().activeTexture(GL_TEXTURE0);
	shadow().bindTexture(GL_TEXTURE_2D, m_tex);
	unsigned int type = 0;
	unsigned int glFormat = 0;
	getGLFormat(m_format, &type, &glFormat);

	if (m_format.compressed())
	{
		glCompressedTexImage2D(GL_TEXTURE_2D, mipLevel, glFormat, w, h, 0, GLsizei(m_format.getMemoryUsage(w, h)), data);
		GL_CHECK();
	}
	else
	{
		glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
		GL_CHECK();
		glTexSubImage2D(GL_TEXTURE_2D, mipLevel, x, y, w, h, glFormat, type, data);
		GL_CHECK();
	}

	glFlush();
	GL_CHECK();
	unbindActiveTexture(shadow());
}

void GL_Texture::restoreFromShadow()
{
	allocate(m_host, m_width, m_height, m_mipCount, m_format, m_usage);
	struct Replaying
	{
		bool& flag;
		explicit Replaying(bool& f) : flag(f) { flag = true; }
		~Replaying() { flag = false; }
	} replaying(m_replaying);
	for (lang::Ptr<ShadowingSurfaceData> const& r : m_shadowRecords)
		blt(r->x, r->y, r->bytes.data(), r->pitch, r->mipLevel, r->width, r->height, r->format);
}

void GL_Texture::clear()
{
	assert(false && "GL textures cannot be cleared");
}

void GL_Texture::lock(LockType type)
{
	if (type != LOCK_READ)
		lang::throwError(lang::Exception(lang::Format("Only LOCK_READ is supported when locking texture")));
	m_lockType = type;
}

void GL_Texture::unlock()
{
	m_lockType = LOCK_NONE;
}

void GL_Texture::getData(void**, int*) const
{
	lang::throwError(lang::Exception(lang::Format("Texture readback is not supported by OpenGL ES")));
}

void GL_TextureShadowing::add(GL_Texture* texture)
{
	if (std::find(m_textures.begin(), m_textures.end(), texture) == m_textures.end())
		m_textures.push_back(texture);
}

void GL_TextureShadowing::remove(GL_Texture* texture)
{
	for (std::size_t i = m_textures.size(); i-- > 0;)
	{
		if (m_textures[i] == texture)
			m_textures.erase(m_textures.begin() + std::ptrdiff_t(i));
	}
}

void GL_TextureShadowing::hibernate()
{
	if (!m_enabled)
		return;
	// Issue the unbinds whatever the shadow believes: it may not match the
	// context that is about to go. Units the GL lacks are left alone.
	int const units = std::min(getInteger(m_backend->textureUnitsQuery), int(GL_StateBase::TEXTURE_UNITS));
	for (int unit = units - 1; unit >= 0; --unit)
	{
		glActiveTexture(GL_TEXTURE0 + unit);
		GL_CHECK();
		m_backend->shadow->m_activeTexture = GL_TEXTURE0 + unit;
		glBindTexture(GL_TEXTURE_2D, 0);
		GL_CHECK();
		m_backend->shadow->m_bindedTexture[unit] = 0;
	}
	for (GL_Texture* texture : m_textures)
		texture->deallocate();
	glFinish();
	GL_CHECK();
}

void GL_TextureShadowing::resume()
{
	if (!m_enabled)
		return;
	for (GL_Texture* texture : m_textures)
		texture->restoreFromShadow();
	glFinish();
	GL_CHECK();
}

} // gl
} // gr
