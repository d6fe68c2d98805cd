#include <gr/Context.h>
#include <io/std/BundleInputStream.h>
#include <cassert>

namespace gr
{

void Context::Statistics::reset()
{
	for (int i = 0; i < COUNTER_COUNT; ++i)
		counters[i] = 0;
}

Context::RenderScene::RenderScene(Context* context) : m_context(context)
{
	// A null context is a fatal assertion; without assertions the guard
	// does nothing.
	assert(m_context.get());
	if (m_context)
		m_context->beginScene();
}

Context::RenderScene::~RenderScene()
{
	if (m_context)
		m_context->endScene();
}

Context::Context() : m_textureShadowing(false)
{
}

Context::~Context()
{
}

Image* Context::createImagefromBundle(std::string const& name)
{
	// The stream is released (and the file closed) before returning.
	lang::Ptr<io::BundleInputStream> in = new io::BundleInputStream(name);
	return createImage(*in, name);
}

void Context::saveCachedState(std::string const&)
{
}

void Context::restoreCachedState(std::string const&)
{
}

} // gr
