#pragma once

#include "GL_TextureHandle.h"
#include <gr/Texture.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

namespace gr
{
namespace gl
{

struct GL_Backend;
class GL_StateBase;
class GL_Texture;
class GL_TextureShadowing;

/**
 * What a texture needs of the rendering context that created it: the
 * extension test, the list of textures rebuilt after a loss of the GL
 * context and the back end. The back end's context implements it.
 */
class GL_TextureHost
{
public:
	virtual ~GL_TextureHost() {}

	/** True when the named GL extension is available (whole-word match). */
	virtual bool isExtensionSupported(char const* name) const = 0;

	/** The shadowed-texture list and its switch. */
	virtual GL_TextureShadowing& textureShadowing() = 0;

	/** The back end the textures belong to. */
	virtual GL_Backend const& glBackend() const = 0;
};

/**
 * One recorded texture upload, kept in system memory so that the texture
 * can be filled again after the GL context has been lost.
 */
class ShadowingSurfaceData : public lang::Object
{
public:
	/** Copies format.getMemoryUsage(width, height) bytes from data. */
	ShadowingSurfaceData(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, SurfaceFormat const& format);

	int x;
	int y;
	std::vector<unsigned char> bytes;
	int pitch;
	int mipLevel;
	int width;
	int height;
	SurfaceFormat format;
};

/**
 * A GL texture with all its mip levels, filled through blt. Usage flags
 * with bit 0x08 or 0x10 make it a render target with its own frame buffer
 * and 16-bit depth buffer. While the context's texture shadowing is on,
 * every upload is also kept in system memory and the texture is listed for
 * re-creation after a loss of the GL context (GL_TextureShadowing).
 *
 * Main thread only, with the GL context current.
 */
class GL_Texture : public Texture, public GL_TextureHandle
{
public:
	/** Usage bits that make a texture a render target. */
	enum { USAGE_RENDERTARGET_MASK = 0x08 | 0x10 };

	/**
	 * Creates the GL texture (and, for render targets, its frame and depth
	 * buffers). The format must be one the back end accepts (see
	 * convertToCompatibleSurfaceFormat). When the host's texture shadowing
	 * is on, the texture enters the shadowed-texture list.
	 * @param host The creating context, not owned; must outlive the texture.
	 * @param mipCount Number of levels below the base level.
	 * @exception GraphicsException See allocate.
	 */
	GL_Texture(GL_TextureHost* host, int width, int height, int mipCount, SurfaceFormat const& format, int usage);

	/** Leaves the shadowed-texture list and deletes the GL objects. */
	~GL_Texture() override;

	/**
	 * Creates the GL objects anew (after deallocate()). On failure nothing
	 * stays allocated.
	 * @exception GraphicsException "Texture is too large: {0}x{1}, maximum supported size: {2}x{3}",
	 *            "Mipmapping is not supported with non power-of-two textures",
	 *            "Unsupported texture format: {0}" (also for compressed
	 *            formats whose extension is missing) and
	 *            "Render target format not supported: {0}".
	 */
	void allocate(GL_TextureHost* host, int width, int height, int mipCount, SurfaceFormat const& format, int usage);

	/** Deletes the GL texture, frame buffer and depth buffer; keeps the shadow records. */
	void deallocate();

	/**
	 * Uploads a width x height rectangle to (x, y) of one mip level. Source
	 * rows are pitch bytes apart. Pixels of another format are converted
	 * first (compressed sources are decoded on the CPU into the texture's
	 * uncompressed format). A compressed texture takes whole levels of its
	 * own format; x and y play no part then.
	 */
	void blt(int x, int y, void const* data, int pitch, int mipLevel, int width, int height, SurfaceFormat const& format) override;

	/** Not supported: a fatal assertion. */
	void clear() override;

	/** Accepts LOCK_READ only. @exception lang::Exception For any other lock type. */
	void lock(LockType type) override;
	void unlock() override;

	int width() const override { return m_width; }
	int height() const override { return m_height; }
	SurfaceFormat format() const override { return m_format; }
	Rect rect() const override { return Rect(0, 0, m_width, m_height); }

	/** @exception lang::Exception Always: the GL cannot read textures back. */
	void getData(void** data, int* size) const override;

	std::string const& getName() const override { return m_name; }
	void setName(std::string const& name) override { m_name = name; }

	unsigned int glTextureName() const override { return m_tex; }

	/** The render target's frame buffer, 0 for other textures. */
	unsigned int frameBuffer() const { return m_fbo; }

	/** True when created with a render-target usage bit. */
	bool isRenderTarget() const { return (m_usage & USAGE_RENDERTARGET_MASK) != 0; }

	/** Number of uploads kept for replay. */
	int shadowRecordCount() const { return int(m_shadowRecords.size()); }

	/**
	 * Allocates the GL objects with the kept parameters and uploads every
	 * kept record again, in upload order, without recording it twice.
	 */
	void restoreFromShadow();

private:
	unsigned int m_tex;
	unsigned int m_fbo;
	unsigned int m_depth;
	int m_width;
	int m_height;
	SurfaceFormat m_format;
	std::string m_name;
	LockType m_lockType;
	GL_TextureHost* m_host;
	/** The host's back end. */
	GL_Backend const* m_backend;
	int m_mipCount;
	int m_usage;
	std::vector<lang::Ptr<ShadowingSurfaceData>> m_shadowRecords;
	bool m_replaying;

	void createRenderTarget();

	/** The back end's state shadow. */
	GL_StateBase& shadow() const;

	GL_Texture(GL_Texture const&) = delete;
	GL_Texture& operator=(GL_Texture const&) = delete;
};

/**
 * The textures to rebuild after a loss of the GL context and the switch
 * that turns texture shadowing on. Off at construction; the system never
 * turns it on by itself (tests and hosts that expect context loss do).
 * The context holds one and forwards hibernate and resume to it.
 */
class GL_TextureShadowing
{
public:
	/** Off and empty, for textures of backend. */
	explicit GL_TextureShadowing(GL_Backend const& backend) : m_backend(&backend), m_enabled(false) {}

	bool enabled() const { return m_enabled; }

	/** Turns recording of uploads (and listing of new textures) on or off. */
	void setEnabled(bool enabled) { m_enabled = enabled; }

	/** Appends a texture unless it is listed already. */
	void add(GL_Texture* texture);

	/** Erases every entry equal to texture, scanning from the back. */
	void remove(GL_Texture* texture);

	/** The listed textures, in creation order. */
	std::vector<GL_Texture*> const& textures() const { return m_textures; }

	/**
	 * Before a loss of the GL context (only when enabled): binds no texture
	 * on units 0 to 7, leaves unit 0 active, deallocates every listed
	 * texture in order and finishes the GL.
	 */
	void hibernate();

	/**
	 * After a new GL context is current (only when enabled): allocates
	 * every listed texture again and replays its uploads, then finishes.
	 */
	void resume();

private:
	GL_Backend const* m_backend;
	bool m_enabled;
	std::vector<GL_Texture*> m_textures;
};

/**
 * The GL format and type of a surface format (type 0 for compressed
 * formats).
 * @exception GraphicsException "Unsupported texture format: {0}".
 */
void getGLFormat(SurfaceFormat const& format, unsigned int* type, unsigned int* glFormat);

/**
 * The format a texture of the back end is created in for a requested
 * format: R8G8B8 becomes B8G8R8; A8R8G8B8, P4 and P8 become A8B8G8R8;
 * ETC1 stays when "GL_OES_compressed_ETC1_RGB8_texture" is available,
 * otherwise it becomes R5G6B5; PVRTC stays when
 * "GL_IMG_texture_compression_pvrtc" is available, otherwise the RGB forms
 * become R5G6B5 and the RGBA forms A8B8G8R8 (their pixels are decoded on
 * the CPU by GL_Texture::blt). Other formats stay.
 */
SurfaceFormat convertToCompatibleSurfaceFormat(GL_TextureHost const& host, SurfaceFormat const& format);

/** As above, testing the extensions of the current GL context. */
SurfaceFormat convertToCompatibleSurfaceFormat(SurfaceFormat const& format);

/**
 * Levels below the base level of a full mip chain for a width x height
 * texture: how often the larger side can be halved while it is 2 or more
 * (1 gives 0, 2 and 3 give 1, 1024 gives 10).
 */
int GL_fullMipCount(int width, int height);

/**
 * Checks the mip level count an image file declares (base level included)
 * against what a width x height texture can hold.
 * @exception GraphicsException Naming the file when the chain does not fit.
 */
void GL_checkFileMipLevels(int levels, int width, int height, std::string const& name);

/**
 * True when name appears in the blank-separated list as a whole word.
 * An empty name or one containing a blank never matches.
 */
bool GL_isExtensionInList(char const* list, char const* name);

/** GL_isExtensionInList over the extension string of the current GL context. */
bool GL_isExtensionAvailable(char const* name);

} // gl
} // gr
