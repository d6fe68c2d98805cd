// Draws a small scene of sprites, lines and shapes through both rendering
// back ends (OpenGL ES 1.1 and 2.0) on headless GL views and writes one PNG
// file per back end.
//
//   render-demo [output-folder]      (default: the current folder, made when missing)
//
// Writes render-demo-gles1.png and render-demo-gles2.png. Data (effects,
// images) comes from ENGINE_DATA_PATH when it is set, else from the
// project's data folder.

#include <toolargs/ToolArguments.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/Context.h>
#include <gr/Image.h>
#include <gr/RenderState2D.h>
#include <gr/gl/GLBackends.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <lang/Throwable.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>

namespace demo
{

int const WIDTH = 320;
int const HEIGHT = 240;

/** A rendering back end: its GL flavour and the creator of its context. */
struct Backend
{
	char const* file;
	framework::HeadlessGL::Api api;
	gr::Context* (*createContext)(int width, int height, gr::Context::OrientationType orientation, void (*present)());
};

/** Draws the demo scene onto ctx. */
void drawScene(gr::Context& ctx)
{
	ctx.clear(0xFF203048, true, true, false);

	// Ground and a few blocks.
	ctx.fillRect2D(0xFF3A6B35, 0, 200, WIDTH, 40);
	for (int i = 0; i < 4; ++i)
		ctx.fillRect2D(0xFF8B5A2B, 180 + i * 24, 200 - 20 * (i + 1), 20, 20 * (i + 1));
	ctx.fillRect2D(0x80FFFFFF, 20, 20, 120, 40);

	// A sun and the flight path of a projectile.
	ctx.fillCircle2D(0xFFFFD040, 270, 45, 22);
	int px = 40, py = 180;
	for (int step = 1; step <= 12; ++step)
	{
		int const x = 40 + step * 12;
		int const y = 180 - step * 20 + step * step * 2;
		ctx.drawLine2D(0xFFFFFFFF, px, py, x, y, 2);
		px = x;
		py = y;
	}

	// Sprites: a row of balls, one of them turned and scaled up.
	lang::Ptr<gr::Image> ball = ctx.createImagefromBundle("images/sprite.png");
	for (int i = 0; i < 6; ++i)
		ball->draw(&ctx, 20.f + float(i) * 20.f, 182.f, 0, 0, 16, 16, 16.f, 16.f);

	gr::RenderState2D& rs = ctx.getRenderState2D();
	float const a = float(std::numbers::pi) / 6.f;
	rs.angle = a;
	rs.rotation[0] = std::cos(a);
	rs.rotation[1] = std::sin(a);
	rs.rotation[2] = -std::sin(a);
	rs.rotation[3] = std::cos(a);
	rs.pivot = math::float2(16.f, 16.f);
	ball->draw(&ctx, 140.f, 90.f, 0, 0, 16, 16, 32.f, 32.f);
	ctx.setRenderState2D(gr::RenderState2D());
}

/** Draws the scene through backend on a headless view into the PNG file path. */
void render(Backend const& backend, std::string const& path)
{
	framework::HeadlessGL view(backend.api, WIDTH, HEIGHT);
	lang::Ptr<gr::Context> ctx = backend.createContext(WIDTH, HEIGHT, gr::Context::ORIENTATION_0, &updateScrFunc);
	ctx->setShaderPath("shaders");
	drawScene(*ctx);
	ctx->flush();
	ctx->capture(path);
	ctx->present();
}

} // demo

int main(int argc, char** argv)
{
	int const status = toolargs::checkArguments(argc, argv, 0, 1,
		"usage: render-demo [output-folder]\n"
		"  Draws a small scene through OpenGL ES 1.1 and 2.0, headless, into\n"
		"  render-demo-gles1.png and render-demo-gles2.png in output-folder\n"
		"  (default: the current folder, made when missing). The data comes\n"
		"  from ENGINE_DATA_PATH when it is set.\n");
	if (status >= 0)
		return status;
	std::filesystem::path const folder = argc > 1 ? argv[1] : ".";
	std::error_code made;
	std::filesystem::create_directories(folder, made);
	if (made)
	{
		std::fprintf(stderr, "render-demo: cannot create the folder %s: %s\n", folder.string().c_str(), made.message().c_str());
		return 1;
	}
	if (!std::getenv("ENGINE_DATA_PATH"))
		io::detail::setBundlePath(ENGINE_DATA_DIR);

	demo::Backend const backends[] = {
		{"render-demo-gles1.png", framework::HeadlessGL::API_GLES1, gr::gles1::GL_createContext},
		{"render-demo-gles2.png", framework::HeadlessGL::API_GLES2, gr::gles2::GL_createContext},
	};
	for (demo::Backend const& b : backends)
	{
		std::filesystem::path const output = folder / b.file;
		try
		{
			demo::render(b, output.string());
		}
		catch (lang::Throwable const& e)
		{
			std::fprintf(stderr, "render-demo: %s\n", e.getMessage().format().c_str());
			return 1;
		}
		std::error_code ec;
		std::filesystem::path const written = std::filesystem::absolute(output, ec);
		std::printf("Wrote %s\n", (ec ? output : written).string().c_str());
	}
	return 0;
}
