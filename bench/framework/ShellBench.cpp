// Frames through the headless shell against the same clear and present in a
// plain loop on the same context: the shell's own cost per frame.

#include <benchmark/benchmark.h>
#include <framework/App.h>
#include <framework/linux/AppController.h>
#include <framework/linux/HeadlessHost.h>
#include <lang/Debug.h>
#include <GLES2/gl2.h>
#include <memory>

namespace
{

int const WIDTH = 1024;
int const HEIGHT = 768;

// Clears the whole target and presents; glFinish makes the GL do the work
// inside the frame.
void clearAndPresent(gr::Context* context)
{
	context->clear(0xFF204060, true, true, false);
	context->present();
	glFinish();
}

class ClearApp : public framework::App
{
public:
	using App::App;
	void update(float, gr::Context* context, int) override { clearAndPresent(context); }
};

void configure(framework::App::Configuration& c, framework::OSInterface&)
{
	c.renderers = {1};
	c.colorBits = 32;
	c.depthBuffer = true;
	c.allowedOrientations = {1};
}

framework::App* init(framework::OSInterface* os, gr::Context*)
{
	return new ClearApp(os);
}

// One launched shell for both benchmarks: a 768 x 1024 screen turned to
// landscape gives a 1024 x 768 target.
framework::HeadlessHost& shell()
{
	static std::unique_ptr<framework::HeadlessHost> host;
	if (!host)
	{
		framework::ShellOptions options;
		options.headless = true;
		options.screenWidth = HEIGHT;
		options.screenHeight = WIDTH;
		host.reset(new framework::HeadlessHost(options, &configure, &init));
		host->launch();
	}
	return *host;
}

void BM_ShellFrame(benchmark::State& state)
{
	framework::HeadlessHost& host = shell();
	gr::Context* context = host.controller().context();
	if (!context || context->width() != WIDTH || context->height() != HEIGHT)
	{
		state.SkipWithError("the shell did not launch with a 1024 x 768 context");
		return;
	}
	int const before = host.controller().frameCount();
	for (auto _ : state)
		host.runTicks(1);
	if (host.controller().frameCount() - before != int(state.iterations()))
		state.SkipWithError("a tick ran no frame");
}
BENCHMARK(BM_ShellFrame)->Unit(benchmark::kMicrosecond);

void BM_PlainFrame(benchmark::State& state)
{
	gr::Context* context = shell().controller().context();
	if (!context)
	{
		state.SkipWithError("the shell did not launch");
		return;
	}
	float time = 0;
	for (auto _ : state)
	{
		time += 1.0f / 60;
		context->setTime(time);
		clearAndPresent(context);
	}
}
BENCHMARK(BM_PlainFrame)->Unit(benchmark::kMicrosecond);

} // namespace
