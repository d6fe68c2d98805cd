#include "Scene.h"
#include <framework/linux/HeadlessGL.h>
#include <gr/gl/GL2_Context.h>
#include <io/detail/detail.h>

namespace comparetest
{

std::vector<unsigned char> renderWithGles2(int width, int height, Scene const& scene)
{
	io::detail::setBundlePath(ENGINE_DATA_DIR);
	framework::HeadlessGL gl(framework::HeadlessGL::API_GLES2, width, height);
	lang::Ptr<gr::Context> context = gr::gles2::GL_createContext(width, height, gr::Context::ORIENTATION_0, &updateScrFunc);
	context->setShaderPath("shaders");
	scene(context);
	std::vector<unsigned char> pixels = capturePixels(context);
	context->present();
	return pixels;
}

} // namespace comparetest
