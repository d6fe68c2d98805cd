#include "Scene.h"
#include <framework/linux/HeadlessGL.h>
#include <gr/gl/GL1_Context.h>

namespace comparetest
{

std::vector<unsigned char> renderWithGles1(int width, int height, Scene const& scene)
{
	framework::HeadlessGL gl(framework::HeadlessGL::API_GLES1, width, height);
	lang::Ptr<gr::Context> context = gr::gles1::GL_createContext(width, height, gr::Context::ORIENTATION_0, &updateScrFunc);
	scene(context);
	std::vector<unsigned char> pixels = capturePixels(context);
	context->present();
	return pixels;
}

} // namespace comparetest
