#include "BareShader.h"
#include <benchmark/benchmark.h>
#include <framework/linux/HeadlessGL.h>
#include <support/FrameTimes.h>
#include <GLES2/gl2.h>
#include <chrono>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

// The scene of BatcherBench.cpp drawn straight through the GL, without the
// engine: what the driver charges for the same draws handed on in different
// ways. Same frame buffer, the same vertex and fragment stages (the built-in
// sprite effect's sources), 8x8 RGB textures, 2,000 sprites of 4x4 pixels.
// Its frames match the engine's pixel for pixel.

namespace
{

int const SPRITES = 2000;
int const SIZE = 256;
// Floats and bytes of one sprite's interleaved vertices (six of x, y, z, u, v).
int const SPRITE_FLOATS = 6 * 5;
GLsizeiptr const SPRITE_BYTES = SPRITE_FLOATS * GLsizeiptr(sizeof(float));

// How the vertices reach the GL.
enum Feed
{
	// Client-side arrays, the pointers set before each draw.
	FEED_CLIENT_ARRAYS,
	// The whole frame's vertices in one buffer object, one glBufferData per
	// frame, the pointers set once and each sprite drawn by its range.
	FEED_FRAME_BUFFER,
	// As FEED_FRAME_BUFFER, the store orphaned (glBufferData of null) and
	// filled with glBufferSubData.
	FEED_FRAME_BUFFER_ORPHANED,
	// As FEED_FRAME_BUFFER with four vertices per sprite and a static
	// index buffer drawn by ranges with glDrawElements.
	FEED_FRAME_BUFFER_INDEXED,
	// One buffer object re-specified (glBufferData) with each draw's
	// vertices, the pointers set once.
	FEED_DRAW_BUFFER,
	// One buffer object of the frame's size, each draw's vertices written
	// with glBufferSubData at the next free offset.
	FEED_DRAW_SUBDATA,
};

std::string readShader(char const* name)
{
	std::ifstream in(std::string(ENGINE_DATA_DIR) + "/shaders/" + name);
	if (!in)
		throw std::runtime_error(std::string("cannot read ") + name);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

GLuint compile(GLenum type, std::string const& source, char const* defines = "#define TEXTURED\n")
{
	return compileBareShader(type, defines + source);
}

struct BareScene
{
	framework::HeadlessGL gl{framework::HeadlessGL::API_GLES2, SIZE, SIZE};
	GLuint program = 0;
	GLint sampler = -1;
	GLuint textures[2] = {};
	GLuint buffers[2] = {}; // vertices, indices
	std::vector<float> positions; // 3 per vertex, 6 vertices per sprite
	std::vector<float> uvs; // 2 per vertex
	std::vector<float> interleaved; // 5 per vertex, 6 vertices per sprite
	std::vector<float> corners; // 5 per vertex, 4 vertices per sprite
	GLuint pairedProgram = 0;
	std::vector<float> seconds; // 2 per vertex: (1, 0) on every other sprite

	BareScene()
	{
		program = glCreateProgram();
		glAttachShader(program, compile(GL_VERTEX_SHADER, readShader("2d.vsh")));
		glAttachShader(program, compile(GL_FRAGMENT_SHADER, readShader("2d.fsh")));
		glBindAttribLocation(program, 0, "DT_POSITION");
		glBindAttribLocation(program, 1, "DT_TEX0");
		glBindAttribLocation(program, 2, "DT_DIFFUSE");
		glLinkProgram(program);
		glUseProgram(program);
		float const identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
		glUniformMatrix4fv(glGetUniformLocation(program, "PROJTM"), 1, GL_FALSE, identity);
		glUniform1f(glGetUniformLocation(program, "ALPHA_FACTOR"), 1.f);
		glUniform1f(glGetUniformLocation(program, "COLOR_SATURATION"), 1.f);
		sampler = glGetUniformLocation(program, "BASEMAP");
		glVertexAttrib4f(2, 1.f, 1.f, 1.f, 1.f);
		glEnableVertexAttribArray(0);
		glEnableVertexAttribArray(1);

		glGenTextures(2, textures);
		for (int unit = 1; unit >= 0; --unit)
		{
			std::vector<unsigned char> const pixels(8 * 8 * 3, unit == 0 ? 200 : 50);
			glActiveTexture(GL_TEXTURE0 + unit);
			glBindTexture(GL_TEXTURE_2D, textures[unit]);
			glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
			glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
			glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
			glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
			glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
		}
		glUniform1i(sampler, 0);

		glDisable(GL_DEPTH_TEST);
		glDisable(GL_CULL_FACE);
		glDisable(GL_BLEND);
		glEnable(GL_SCISSOR_TEST);
		glScissor(0, 0, SIZE, SIZE);

		// Corners in the batcher's order: two triangles per sprite.
		float const corner[4][2] = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
		int const order[6] = {0, 1, 2, 2, 1, 3};
		for (int i = 0; i < SPRITES; ++i)
		{
			float const x = float((i * 7) % (SIZE - 4));
			float const y = float((i * 13) % (SIZE - 4));
			auto vertex = [&](float const* c) {
				return std::vector<float>{2.f * (x + c[0]) / SIZE - 1.f, 1.f - 2.f * (y + c[1]) / SIZE, 0.001f, c[0] / 8.f, c[1] / 8.f};
			};
			for (int k : order)
			{
				std::vector<float> const v = vertex(corner[k]);
				positions.insert(positions.end(), v.begin(), v.begin() + 3);
				uvs.insert(uvs.end(), v.begin() + 3, v.end());
				interleaved.insert(interleaved.end(), v.begin(), v.end());
			}
			for (auto const& c : corner)
			{
				std::vector<float> const v = vertex(c);
				corners.insert(corners.end(), v.begin(), v.end());
			}
		}

		for (int i = 0; i < SPRITES; ++i)
		{
			for (int k = 0; k < 6; ++k)
			{
				seconds.push_back(float(i & 1));
				seconds.push_back(0.f);
			}
		}
		pairedProgram = glCreateProgram();
		glAttachShader(pairedProgram, compile(GL_VERTEX_SHADER, readShader("2d.vsh"), "#define TEXTURED\n#define PAIRED\n"));
		glAttachShader(pairedProgram, compile(GL_FRAGMENT_SHADER, readShader("2d.fsh"), "#define TEXTURED\n#define PAIRED\n"));
		glBindAttribLocation(pairedProgram, 0, "DT_POSITION");
		glBindAttribLocation(pairedProgram, 1, "DT_TEX0");
		glBindAttribLocation(pairedProgram, 2, "DT_DIFFUSE");
		glBindAttribLocation(pairedProgram, 3, "DT_TEX1");
		glLinkProgram(pairedProgram);
		glUseProgram(pairedProgram);
		glUniformMatrix4fv(glGetUniformLocation(pairedProgram, "PROJTM"), 1, GL_FALSE, identity);
		glUniform1f(glGetUniformLocation(pairedProgram, "ALPHA_FACTOR"), 1.f);
		glUniform1f(glGetUniformLocation(pairedProgram, "COLOR_SATURATION"), 1.f);
		glUniform1i(glGetUniformLocation(pairedProgram, "BASEMAP"), 0);
		glUniform1i(glGetUniformLocation(pairedProgram, "BASEMAP2"), 1);
		glUseProgram(program);

		glGenBuffers(2, buffers);
		std::vector<GLushort> indices;
		for (int i = 0; i < SPRITES; ++i)
		{
			for (int k : order)
				indices.push_back(GLushort(i * 4 + k));
		}
		glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
		glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(GLushort)), indices.data(), GL_STATIC_DRAW);
		glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
	}

	~BareScene()
	{
		glDeleteBuffers(2, buffers);
		glDeleteTextures(2, textures);
		glDeleteProgram(program);
		glDeleteProgram(pairedProgram);
	}

	// Every sprite in one draw call, both textures bound (units 0 and 1) and
	// each sprite's vertices saying which it takes.
	void drawPaired()
	{
		glUseProgram(pairedProgram);
		glActiveTexture(GL_TEXTURE1);
		glBindTexture(GL_TEXTURE_2D, textures[1]);
		glActiveTexture(GL_TEXTURE0);
		glBindTexture(GL_TEXTURE_2D, textures[0]);
		glEnableVertexAttribArray(3);
		glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, positions.data());
		glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 0, uvs.data());
		glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, 0, seconds.data());
		glDrawArrays(GL_TRIANGLES, 0, SPRITES * 6);
		glDisableVertexAttribArray(3);
		glUseProgram(program);
	}

	// Binds the vertex buffer, sends what the feed sends once per frame and
	// points the attributes into the buffer.
	void beginFrame(Feed feed)
	{
		std::vector<float> const& data = feed == FEED_FRAME_BUFFER_INDEXED ? corners : interleaved;
		GLsizeiptr const bytes = GLsizeiptr(data.size() * sizeof(float));
		glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
		switch (feed)
		{
		case FEED_CLIENT_ARRAYS:
		case FEED_DRAW_BUFFER:
			break;
		case FEED_FRAME_BUFFER:
		case FEED_FRAME_BUFFER_INDEXED:
			glBufferData(GL_ARRAY_BUFFER, bytes, data.data(), GL_STREAM_DRAW);
			break;
		case FEED_FRAME_BUFFER_ORPHANED:
			glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
			glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, data.data());
			break;
		case FEED_DRAW_SUBDATA:
			glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
			break;
		}
		glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 5 * sizeof(float), nullptr);
		glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 5 * sizeof(float), reinterpret_cast<void const*>(3 * sizeof(float)));
		if (feed == FEED_FRAME_BUFFER_INDEXED)
			glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
	}

	void endFrame(Feed feed)
	{
		if (feed != FEED_CLIENT_ARRAYS)
			glBindBuffer(GL_ARRAY_BUFFER, 0);
		if (feed == FEED_FRAME_BUFFER_INDEXED)
			glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
	}

	// Draws sprites [first, first + count) in one call.
	void drawRange(Feed feed, int first, int count)
	{
		switch (feed)
		{
		case FEED_CLIENT_ARRAYS:
			glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, &positions[std::size_t(first) * 18]);
			glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 0, &uvs[std::size_t(first) * 12]);
			glDrawArrays(GL_TRIANGLES, 0, count * 6);
			break;
		case FEED_FRAME_BUFFER:
		case FEED_FRAME_BUFFER_ORPHANED:
			glDrawArrays(GL_TRIANGLES, first * 6, count * 6);
			break;
		case FEED_DRAW_BUFFER:
			glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(count) * SPRITE_BYTES, &interleaved[std::size_t(first) * SPRITE_FLOATS], GL_STREAM_DRAW);
			glDrawArrays(GL_TRIANGLES, 0, count * 6);
			break;
		case FEED_DRAW_SUBDATA:
			glBufferSubData(GL_ARRAY_BUFFER, GLintptr(first) * SPRITE_BYTES, GLsizeiptr(count) * SPRITE_BYTES, &interleaved[std::size_t(first) * SPRITE_FLOATS]);
			glDrawArrays(GL_TRIANGLES, first * 6, count * 6);
			break;
		case FEED_FRAME_BUFFER_INDEXED:
			glDrawElements(GL_TRIANGLES, count * 6, GL_UNSIGNED_SHORT, reinterpret_cast<void const*>(std::size_t(first) * 6 * sizeof(GLushort)));
			break;
		}
	}

	// The frame buffer, cleared, after frame().
	template <class Frame>
	std::vector<unsigned char> pixelsOf(Frame frame)
	{
		glClearColor(0.f, 0.f, 0.f, 1.f);
		glClear(GL_COLOR_BUFFER_BIT);
		frame();
		std::vector<unsigned char> pixels(std::size_t(SIZE) * SIZE * 4);
		glReadPixels(0, 0, SIZE, SIZE, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
		return pixels;
	}

	// Fails the benchmark unless frame() draws what the client-array feed
	// draws (every other sprite in the second texture, 50 grey against 200).
	template <class Frame>
	void checkPixels(benchmark::State& state, Frame frame)
	{
		glActiveTexture(GL_TEXTURE0);
		glUniform1i(sampler, 0);
		std::vector<unsigned char> const reference = pixelsOf([&] { drawAlternating(FEED_CLIENT_ARRAYS, false, 0); });
		glBindTexture(GL_TEXTURE_2D, textures[0]);
		if (pixelsOf(frame) != reference)
			state.SkipWithError("the frame differs from the client-array frame");
	}

	// All sprites with texture 0 in one draw call.
	void drawOneTexture(Feed feed)
	{
		glActiveTexture(GL_TEXTURE0);
		glBindTexture(GL_TEXTURE_2D, textures[0]);
		if (feed != FEED_CLIENT_ARRAYS)
			beginFrame(feed);
		drawRange(feed, 0, SPRITES);
		endFrame(feed);
	}

	// One draw call of six vertices per sprite, the texture alternating:
	// rebound on unit 0, or (switchUnits) both kept bound on units 0 and 1
	// with the sampler moved between them. A glFlush after every
	// drawsPerFlush draws (0: none).
	void drawAlternating(Feed feed, bool switchUnits, int drawsPerFlush)
	{
		if (feed != FEED_CLIENT_ARRAYS)
			beginFrame(feed);
		for (int i = 0; i < SPRITES; ++i)
		{
			if (switchUnits)
				glUniform1i(sampler, i & 1);
			else
				glBindTexture(GL_TEXTURE_2D, textures[i & 1]);
			drawRange(feed, i, 1);
			if (drawsPerFlush > 0 && (i + 1) % drawsPerFlush == 0)
				glFlush();
		}
		endFrame(feed);
	}
};

// As benchsupport::runFrames: one warm-up frame, the GL's own work waited
// for outside the timing. Reports the median and the worst frames
// (benchsupport::reportFrameTimes) besides the mean.
template <class Frame>
void runFrames(benchmark::State& state, Frame frame, int drawCalls)
{
	using Clock = std::chrono::steady_clock;
	frame();
	glFinish();
	std::vector<double> times;
	for (auto _ : state)
	{
		Clock::time_point const start = Clock::now();
		frame();
		times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
		state.PauseTiming();
		glFinish();
		state.ResumeTiming();
	}
	benchsupport::reportFrameTimes(state, times);
	state.counters["drawcalls/frame"] = drawCalls;
}

// 2,000 sprites of one texture in one draw call; argument: the Feed.
void BM_BareGLOneTexture(benchmark::State& state)
{
	BareScene scene;
	Feed const feed = Feed(state.range(0));
	runFrames(state, [&] { scene.drawOneTexture(feed); }, 1);
}

// 2,000 sprites alternating between two textures, glBindTexture before
// each; arguments: the Feed and the draws per glFlush.
void BM_BareGLAlternatingTextures(benchmark::State& state)
{
	BareScene scene;
	Feed const feed = Feed(state.range(0));
	int const drawsPerFlush = int(state.range(1));
	glActiveTexture(GL_TEXTURE0);
	auto frame = [&] { scene.drawAlternating(feed, false, drawsPerFlush); };
	runFrames(state, frame, SPRITES);
	scene.checkPixels(state, frame);
}

// The same with both textures bound on two units and the sampler switched.
void BM_BareGLAlternatingUnits(benchmark::State& state)
{
	BareScene scene;
	Feed const feed = Feed(state.range(0));
	int const drawsPerFlush = int(state.range(1));
	auto frame = [&] { scene.drawAlternating(feed, true, drawsPerFlush); };
	runFrames(state, frame, SPRITES);
	scene.checkPixels(state, frame);
}

// The same frame in one draw call: both textures bound, each sprite's
// vertices choosing one.
void BM_BareGLAlternatingPaired(benchmark::State& state)
{
	BareScene scene;
	auto frame = [&] { scene.drawPaired(); };
	runFrames(state, frame, 1);
	scene.checkPixels(state, frame);
}

} // namespace

BENCHMARK(BM_BareGLAlternatingPaired)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareGLOneTexture)->DenseRange(FEED_CLIENT_ARRAYS, FEED_DRAW_SUBDATA)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareGLAlternatingTextures)
	->ArgsProduct({{FEED_CLIENT_ARRAYS, FEED_FRAME_BUFFER, FEED_FRAME_BUFFER_ORPHANED, FEED_FRAME_BUFFER_INDEXED, FEED_DRAW_BUFFER, FEED_DRAW_SUBDATA}, {0, 64, 256}})
	->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareGLAlternatingUnits)->Args({FEED_CLIENT_ARRAYS, 64})->Args({FEED_FRAME_BUFFER, 64})->Unit(benchmark::kMicrosecond);
