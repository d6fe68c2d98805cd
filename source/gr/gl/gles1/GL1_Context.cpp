#include <gr/gl/gles1/GL1_Context.h>
#include <gr/gl/gles1/GL1_Shader.h>
#include <gr/gl/GL_Check.h>
#include <gr/GraphicsException.h>
#include <io/ByteArrayOutputStream.h>
#include <io/FileFormat.h>
#include <io/PathName.h>
#include <lang/Format.h>
#include <GLES/gl.h>
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

namespace gr
{
namespace gles1
{

void GL_Context::colorToFloats(unsigned color, float rgba[4])
{
	SurfaceFormat const dst(SurfaceFormat::SURFACE_A32B32G32R32F);
	dst.copyPixels(rgba, SurfaceFormat(), nullptr, SurfaceFormat(SurfaceFormat::SURFACE_A8R8G8B8), &color, SurfaceFormat(), nullptr, 1);
}

GL_Context::GL_Context(int width, int height, OrientationType orientation, void (*present)()) :
	GL_ContextBase(GL_backend(), width, height, orientation, present),
	m_modelView(1.f),
	m_world(1.f),
	m_view(1.f),
	m_modelViewDirty(false)
{
}

GL_Context::~GL_Context()
{
	releaseResources();
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

void GL_Context::submitShape(GL_RenderBatcher::Type type, unsigned color, math::float3 const* positions, int count, int lineWidth)
{
	if (!touchesScreen(positions, count))
		return;

	float rgba[4];
	colorToFloats(color, rgba);
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

Context* GL_createContext(int width, int height, Context::OrientationType orientation, void (*present)())
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

} // gles1
} // gr
