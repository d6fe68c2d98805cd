#include <gr/gl/gles2/GL2_Context.h>
#include <gr/gl/gles2/GL2_Shader.h>
#include <gr/gl/GL_Check.h>
#include <gr/GraphicsException.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <GLES2/gl2.h>
#include <algorithm>
#include <cmath>

namespace gr
{
namespace gles2
{

namespace
{

// An A8R8G8B8 colour as red, green, blue and alpha of 0 to 255.
math::float4 colorBytes(unsigned color)
{
	return math::float4(float((color >> 16) & 255), float((color >> 8) & 255), float(color & 255), float((color >> 24) & 255));
}

} // namespace

void GL_Context::colorToFloats(unsigned color, float rgba[4])
{
	math::float4 const c = colorBytes(color) * (1.f / 255.f);
	rgba[0] = c.x;
	rgba[1] = c.y;
	rgba[2] = c.z;
	rgba[3] = c.w;
}

GL_Context::GL_Context(int width, int height, OrientationType orientation, void (*present)()) :
	GL_ContextBase(GL_backend(), width, height, orientation, present)
{
}

GL_Context::~GL_Context()
{
	releaseResources();
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

void GL_Context::submitShape(GL_RenderBatcher::Type type, unsigned color, math::float3 const* positions, int count, int lineWidth)
{
	if (!touchesScreen(positions, count))
		return;

	math::float4 const c = colorBytes(color);
	math::float4 const colors[4] = {c, c, c, c};
	bool const opaque = (color >> 24) == 255 && m_renderState2D.alpha == 1.f;
	Shader* shader = opaque ? getPlainShader() : getPlainAlphaShader();
	int const perItem = type == GL_RenderBatcher::TYPE_LINES ? 2 : 4;
	for (int i = 0; i + perItem <= count; i += perItem)
		m_batcher.render(type, shader, positions + i, nullptr, colors, nullptr, lineWidth);
}

void GL_Context::capture(Image* image)
{
	int w = 0, h = 0;
	targetSize(&w, &h);
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

bool GL_Context::isExtensionSupported(char const* name) const
{
	return GL_isExtensionAvailable(name);
}

Context* GL_createContext(int width, int height, Context::OrientationType orientation, void (*present)())
{
	if (orientation == Context::ORIENTATION_1 || orientation == Context::ORIENTATION_3)
		std::swap(width, height);
	return new GL_Context(width, height, orientation, present);
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

} // gles2
} // gr
