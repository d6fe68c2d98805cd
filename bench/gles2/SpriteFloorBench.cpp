#include "BareShader.h"
#include <benchmark/benchmark.h>
#include <framework/linux/HeadlessGL.h>
#include <gr/Image.h>
#include <gr/gl/gles2/GL2_Context.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <GLES2/gl2.h>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

// The engine's 2D batcher against a bare-GL floor in the same run: 1,000
// blended sprites of S x S pixels, sprite i taking image i mod N, each
// frame drawn and waited for (glFinish). Each iteration draws one frame of
// the engine and one of each bare strategy, interleaved, each in a GL
// context of its own, and times each by the CPU time of all the process's
// threads (the software rasteriser's included) and by the wall clock.
// The floor draws the same pixels with a plain textured fragment
// (texel only, premultiplied blending as the engine's): for one image one
// texture and one draw; for N images the better of one draw over N units
// (the sprite's image picked by a vertex attribute) and one bind-and-draw
// per sprite. Counters: "cpu/floor" and "wall/floor", the engine's frame
// over the floor's; "drawcalls/frame" of the engine.

// A named namespace: the benchmark's files may share a unity batch.
namespace spritefloor
{

int const SPRITES = 1000;
int const TARGET = 256;
int const MAX_IMAGES = 8;

char const* const VERTEX = R"(
attribute vec4 a_position;
attribute vec2 a_uv;
attribute float a_image;
varying vec2 v_uv;
varying float v_image;
void main()
{
	gl_Position = a_position;
	v_uv = a_uv;
	v_image = a_image;
}
)";

// The plain textured fragment; IMAGES picks the sprite's image among
// IMAGES units as the engine's forms do.
char const* const FRAGMENT = R"(
precision mediump float;
varying vec2 v_uv;
varying float v_image;
uniform sampler2D u_tex[8];
void main()
{
#if IMAGES == 1
	gl_FragColor = texture2D(u_tex[0], v_uv);
#else
	vec4 t;
	if (v_image < 0.5)
		t = texture2D(u_tex[0], v_uv);
#if IMAGES > 2
	else if (v_image < 1.5)
		t = texture2D(u_tex[1], v_uv);
	else if (v_image < 2.5)
		t = texture2D(u_tex[2], v_uv);
#endif
#if IMAGES > 4
	else if (v_image < 3.5)
		t = texture2D(u_tex[3], v_uv);
	else if (v_image < 4.5)
		t = texture2D(u_tex[4], v_uv);
	else if (v_image < 5.5)
		t = texture2D(u_tex[5], v_uv);
	else if (v_image < 6.5)
		t = texture2D(u_tex[6], v_uv);
#endif
	else
		t = texture2D(u_tex[IMAGES - 1], v_uv);
	gl_FragColor = t;
#endif
}
)";

double cpuSeconds()
{
	timespec t{};
	clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
	return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

double wallSeconds()
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU and wall seconds of one call of f.
struct Cost
{
	double cpu = 0.0;
	double wall = 0.0;

	template <class F>
	void add(F&& f)
	{
		double const c = cpuSeconds();
		double const w = wallSeconds();
		f();
		wall += wallSeconds() - w;
		cpu += cpuSeconds() - c;
	}
};

float spriteX(int i, int size)
{
	return float((i * 37) % (TARGET - size + 1));
}

float spriteY(int i, int size)
{
	return float((i * 53) % (TARGET - size + 1));
}

// Premultiplied texels of image i: colour and coverage differ by image and
// by texel, about half of them translucent.
std::vector<unsigned char> texels(int image, int size)
{
	std::vector<unsigned char> p(std::size_t(size * size * 4));
	for (int y = 0; y < size; ++y)
	{
		for (int x = 0; x < size; ++x)
		{
			unsigned char* t = &p[std::size_t((y * size + x) * 4)];
			int const a = ((x + y + image) & 1) ? 255 : 128;
			t[0] = (unsigned char)((40 + 25 * image + 3 * x) % 256 * a / 255);
			t[1] = (unsigned char)((200 - 20 * image + 5 * y) % 256 * a / 255);
			t[2] = (unsigned char)((90 + 11 * image) % 256 * a / 255);
			t[3] = (unsigned char)a;
		}
	}
	return p;
}

struct Engine
{
	framework::HeadlessGL gl{framework::HeadlessGL::API_GLES2, TARGET, TARGET};
	lang::Ptr<gr::gles2::GL_Context> ctx;
	lang::Ptr<gr::Image> images[MAX_IMAGES];
	int size;
	int count;

	Engine(int size_, int count_) :
		size(size_),
		count(count_)
	{
		io::detail::setBundlePath(ENGINE_DATA_DIR);
		ctx = static_cast<gr::gles2::GL_Context*>(gr::gles2::GL_createContext(TARGET, TARGET, gr::Context::ORIENTATION_0, updateScrFunc));
		ctx->setShaderPath("shaders");
		for (int i = 0; i < count; ++i)
		{
			std::vector<unsigned char> const p = texels(i, size);
			images[i] = ctx->createImage(size, size, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
			images[i]->blt(0, 0, p.data(), size * 4, 0, size, size, gr::SurfaceFormat::SURFACE_A8B8G8R8);
		}
	}

	void frame()
	{
		for (int i = 0; i < SPRITES; ++i)
			images[i % count]->draw(ctx, spriteX(i, size), spriteY(i, size), 0, 0, size, size, float(size), float(size));
		ctx->flush();
		glFinish();
	}
};

struct Bare
{
	framework::HeadlessGL gl{framework::HeadlessGL::API_GLES2, TARGET, TARGET};
	GLuint programs[2] = {}; // one image; count images
	GLuint textures[MAX_IMAGES] = {};
	GLuint buffer = 0;
	int count;

	Bare(int size, int count_) :
		count(count_)
	{
		for (int form = 0; form < 2; ++form)
		{
			std::string const defines = "#define IMAGES " + std::to_string(form == 0 ? 1 : std::max(2, count)) + "\n";
			GLuint& program = programs[form];
			program = glCreateProgram();
			glAttachShader(program, compileBareShader(GL_VERTEX_SHADER, VERTEX));
			glAttachShader(program, compileBareShader(GL_FRAGMENT_SHADER, defines + FRAGMENT));
			glBindAttribLocation(program, 0, "a_position");
			glBindAttribLocation(program, 1, "a_uv");
			glBindAttribLocation(program, 2, "a_image");
			glLinkProgram(program);
			glUseProgram(program);
			GLint const units[MAX_IMAGES] = {0, 1, 2, 3, 4, 5, 6, 7};
			glUniform1iv(glGetUniformLocation(program, "u_tex"), form == 0 ? 1 : std::max(2, count), units);
		}
		glGenTextures(count, textures);
		for (int i = count - 1; i >= 0; --i)
		{
			std::vector<unsigned char> const p = texels(i, size);
			glActiveTexture(GLenum(GL_TEXTURE0 + i));
			glBindTexture(GL_TEXTURE_2D, textures[i]);
			glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
			glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
			glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
			glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
			glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
		}
		glDisable(GL_DEPTH_TEST);
		glDisable(GL_CULL_FACE);
		glEnable(GL_BLEND);
		glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);

		// x, y, u, v, image per vertex; two triangles per sprite.
		std::vector<float> v;
		float const corner[6][2] = {{0, 0}, {1, 0}, {0, 1}, {0, 1}, {1, 0}, {1, 1}};
		for (int i = 0; i < SPRITES; ++i)
		{
			for (auto const& c : corner)
			{
				float const px = spriteX(i, size) + c[0] * float(size);
				float const py = spriteY(i, size) + c[1] * float(size);
				v.insert(v.end(), {2.f * px / TARGET - 1.f, 1.f - 2.f * py / TARGET, c[0], c[1], float(i % count)});
			}
		}
		glGenBuffers(1, &buffer);
		glBindBuffer(GL_ARRAY_BUFFER, buffer);
		glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(v.size() * sizeof(float)), v.data(), GL_STATIC_DRAW);
		GLsizei const stride = 5 * sizeof(float);
		glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, nullptr);
		glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void const*>(2 * sizeof(float)));
		glVertexAttribPointer(2, 1, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<void const*>(4 * sizeof(float)));
		for (GLuint a = 0; a < 3; ++a)
			glEnableVertexAttribArray(a);
	}

	// Every sprite in one draw: one texture, or every image on its unit.
	void oneDraw()
	{
		glUseProgram(programs[count == 1 ? 0 : 1]);
		glClear(GL_COLOR_BUFFER_BIT);
		glDrawArrays(GL_TRIANGLES, 0, SPRITES * 6);
		glFinish();
	}

	// One bind of the sprite's image and one draw per sprite.
	void drawPerSprite()
	{
		glUseProgram(programs[0]);
		glActiveTexture(GL_TEXTURE0);
		glClear(GL_COLOR_BUFFER_BIT);
		for (int i = 0; i < SPRITES; ++i)
		{
			glBindTexture(GL_TEXTURE_2D, textures[i % count]);
			glDrawArrays(GL_TRIANGLES, i * 6, 6);
		}
		glFinish();
	}
};

// state.range(0): sprite size; state.range(1): images.
void BM_SpriteFloor(benchmark::State& state)
{
	int const size = int(state.range(0));
	int const count = int(state.range(1));
	Bare bare(size, count);
	Engine engine(size, count);
	auto engineFrame = [&] {
		engine.gl.makeCurrent();
		engine.ctx->clear(0, true, false, false);
		engine.frame();
	};
	// Warm-up: shaders, the driver's variants, pooled buffers.
	engineFrame();
	bare.gl.makeCurrent();
	bare.oneDraw();
	bare.drawPerSprite();

	Cost ours, one, separate;
	long drawCalls = 0;
	for (auto _ : state)
	{
		engine.gl.makeCurrent();
		engine.ctx->statistics.reset();
		ours.add([&] { engine.ctx->clear(0, true, false, false); engine.frame(); });
		drawCalls += engine.ctx->statistics.counters[gr::Context::Statistics::COUNTER_DRAWCALLS];
		bare.gl.makeCurrent();
		one.add([&] { bare.oneDraw(); });
		if (count > 1)
			separate.add([&] { bare.drawPerSprite(); });
	}
	// The engine's objects go in its own context.
	engine.gl.makeCurrent();
	double const frames = double(state.iterations());
	bool const separateBetter = count > 1 && separate.cpu < one.cpu;
	Cost const& floor = separateBetter ? separate : one;
	state.counters["cpu/floor"] = ours.cpu / floor.cpu;
	state.counters["wall/floor"] = ours.wall / (count > 1 ? std::min(one.wall, separate.wall) : one.wall);
	state.counters["floor_us"] = 1e6 * floor.cpu / frames;
	state.counters["ours_us"] = 1e6 * ours.cpu / frames;
	state.counters["floor_is_separate"] = separateBetter ? 1 : 0;
	state.counters["drawcalls/frame"] = double(drawCalls) / frames;
}

} // namespace spritefloor

BENCHMARK(spritefloor::BM_SpriteFloor)
	->ArgsProduct({{8, 16, 32, 64, 128}, {1, 2, 8}})
	->ArgNames({"size", "images"})
	->Unit(benchmark::kMillisecond)
	->UseRealTime();
