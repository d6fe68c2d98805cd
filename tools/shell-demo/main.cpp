// A small application run by the platform shell: a background whose colour
// follows the context time, a square moving with time and a marker under
// each touch. Takes the shell's flags (see the README); without --data or
// ENGINE_DATA_PATH the data comes from the project's data folder.
//
//   shell-demo --headless --frames 120 --events drag.events
//       --screenshot 1,60,120 --out build/out

#include <framework/App.h>
#include <framework/Hooks.h>
#include <framework/linux/HeapPolicy.h>
#include <gr/Context.h>
#include <io/detail/detail.h>
#include <cmath>
#include <cstdlib>

namespace demo
{

unsigned rgb(float r, float g, float b)
{
	auto c = [](float v) { return unsigned(std::lround(std::fmin(std::fmax(v, 0.f), 1.f) * 255.f)); };
	return 0xFF000000u | (c(r) << 16) | (c(g) << 8) | c(b);
}

class ShellDemo : public framework::App
{
public:
	ShellDemo(framework::OSInterface* os, gr::Context* context) : App(os)
	{
		context->setShaderPath("shaders");
	}

	void update(float, gr::Context* context, int) override
	{
		float const t = context->time();
		int const w = context->width();
		int const h = context->height();
		context->clear(rgb(0.15f + 0.1f * std::sin(t), 0.2f + 0.1f * std::sin(t * 0.7f + 1.f), 0.35f + 0.15f * std::sin(t * 0.5f + 2.f)),
			true, true, false);

		int const side = h / 8;
		int const x = int((0.5f + 0.4f * std::sin(t * 1.5f)) * float(w - side));
		int const y = int((0.5f + 0.4f * std::cos(t)) * float(h - side));
		context->fillRect2D(0xFFF0C040, x, y, side, side);

		for (framework::TouchEvent const& touch : touches())
		{
			context->fillRect2D(0xFFFFFFFF, touch.x - 12, touch.y - 12, 24, 24);
			context->fillRect2D(0xFFE03030, touch.x - 8, touch.y - 8, 16, 16);
		}
		context->present();
	}
};

} // demo

namespace framework
{

void configure(App::Configuration& config, OSInterface&)
{
	config.name = "shell-demo";
	config.colorBits = 32;
	config.allowedOrientations = {1, 3};
	config.renderers = {1, 0};
}

App* init(OSInterface* os, gr::Context* context)
{
	return new demo::ShellDemo(os, context);
}

} // framework

int main(int argc, char** argv)
{
	framework::setProgramHeapPolicy();
	if (!std::getenv("ENGINE_DATA_PATH"))
		io::detail::setBundlePath(ENGINE_DATA_DIR);
	return framework::shellMain(argc, argv);
}
