#include <benchmark/benchmark.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/gl/gles2/GL2_Shader.h>
#include <gr/gl/gles2/GL2_State.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <GLES2/gl2.h>

using gr::gles2::GL_Shader;
using gr::gles2::GL_State;

// A pass of the premultiplied sprite effect with the parameters the 2D
// batcher sets: when nothing changed between passes, the shadow and the
// uniform caches turn the whole push into comparisons.
static void BM_SpritePassUnchangedParameters(benchmark::State& state)
{
	framework::HeadlessGL gl(framework::HeadlessGL::API_GLES2, 16, 16);
	io::detail::setBundlePath(ENGINE_DATA_DIR);
	lang::Ptr<GL_Shader> s = new GL_Shader(nullptr, "2d-sprite-alpha", "shaders/2d-sprite-alpha.fx", 0);
	s->setFloat("ALPHA_FACTOR", 0.5f);
	s->setFloat("COLOR_SATURATION", 1.f);
	s->setMatrix(gr::Shader::PARAM_PROJTM, math::float4x4(1.f));
	for (auto _ : state)
	{
		int passes = s->begin();
		for (int i = 0; i < passes; ++i)
		{
			s->beginPass(i);
			s->endPass();
		}
		s->end();
	}
}
BENCHMARK(BM_SpritePassUnchangedParameters);

// The same pass with a new alpha factor each time: one uniform upload.
static void BM_SpritePassNewAlpha(benchmark::State& state)
{
	framework::HeadlessGL gl(framework::HeadlessGL::API_GLES2, 16, 16);
	io::detail::setBundlePath(ENGINE_DATA_DIR);
	lang::Ptr<GL_Shader> s = new GL_Shader(nullptr, "2d-sprite-alpha", "shaders/2d-sprite-alpha.fx", 0);
	s->setFloat("COLOR_SATURATION", 1.f);
	s->setMatrix(gr::Shader::PARAM_PROJTM, math::float4x4(1.f));
	float alpha = 0.f;
	for (auto _ : state)
	{
		alpha = alpha >= 1.f ? 0.f : alpha + 0.001f;
		s->setFloat("ALPHA_FACTOR", alpha);
		s->begin();
		s->beginPass(0);
		s->endPass();
		s->end();
	}
}
BENCHMARK(BM_SpritePassNewAlpha);

// A state record applied over a shadow that already holds it.
static void BM_StateBeginUnchanged(benchmark::State& state)
{
	framework::HeadlessGL gl(framework::HeadlessGL::API_GLES2, 16, 16);
	GL_State record;
	record.begin(true);
	for (auto _ : state)
		record.begin(false);
}
BENCHMARK(BM_StateBeginUnchanged);

// The same record forced onto the GL each time.
static void BM_StateBeginForced(benchmark::State& state)
{
	framework::HeadlessGL gl(framework::HeadlessGL::API_GLES2, 16, 16);
	GL_State record;
	for (auto _ : state)
		record.begin(true);
}
BENCHMARK(BM_StateBeginForced);
