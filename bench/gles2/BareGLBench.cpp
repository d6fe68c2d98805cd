#include <benchmark/benchmark.h>
#include <framework/linux/HeadlessGL.h>
#include <GLES2/gl2.h>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

// The scene of BatcherBench.cpp drawn straight through the GL, without the
// engine: what the driver alone charges for the same draws. Same frame
// buffer, the same vertex and fragment stages (the built-in sprite effect's
// sources), 8x8 RGB textures, 2,000 sprites of 4x4 pixels from client
// arrays, a glFlush every 64 draw calls as GL_ContextBase hands them on.
// Its frames match the engine's pixel for pixel.

namespace
{

int const SPRITES = 2000;
int const SIZE = 256;
int const DRAWS_PER_FLUSH = 64;

std::string readShader(char const* name)
{
	std::ifstream in(std::string(ENGINE_DATA_DIR) + "/shaders/" + name);
	if (!in)
		throw std::runtime_error(std::string("cannot read ") + name);
	return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

GLuint compile(GLenum type, std::string const& source)
{
	std::string const text = "#define TEXTURED\n" + source;
	char const* src = text.c_str();
	GLuint shader = glCreateShader(type);
	glShaderSource(shader, 1, &src, nullptr);
	glCompileShader(shader);
	GLint ok = 0;
	glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
	if (!ok)
		throw std::runtime_error("shader compilation failed");
	return shader;
}

struct BareScene
{
	framework::HeadlessGL gl{framework::HeadlessGL::API_GLES2, SIZE, SIZE};
	GLuint program = 0;
	GLint sampler = -1;
	GLuint textures[2] = {};
	std::vector<float> positions; // 3 per vertex, 6 vertices per sprite
	std::vector<float> uvs; // 2 per vertex

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

		std::vector<unsigned char> const pixels(8 * 8 * 3, 200);
		glGenTextures(2, textures);
		for (int unit = 1; unit >= 0; --unit)
		{
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
		float const corner[6][2] = {{0, 0}, {4, 0}, {0, 4}, {0, 4}, {4, 0}, {4, 4}};
		for (int i = 0; i < SPRITES; ++i)
		{
			float const x = float((i * 7) % (SIZE - 4));
			float const y = float((i * 13) % (SIZE - 4));
			for (auto const& c : corner)
			{
				positions.insert(positions.end(), {2.f * (x + c[0]) / SIZE - 1.f, 1.f - 2.f * (y + c[1]) / SIZE, 0.001f});
				uvs.insert(uvs.end(), {c[0] / 8.f, c[1] / 8.f});
			}
		}
	}

	~BareScene()
	{
		glDeleteTextures(2, textures);
		glDeleteProgram(program);
	}

	// All sprites with texture 0 in one draw call.
	void drawOneTexture()
	{
		glActiveTexture(GL_TEXTURE0);
		glBindTexture(GL_TEXTURE_2D, textures[0]);
		glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, positions.data());
		glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 0, uvs.data());
		glDrawArrays(GL_TRIANGLES, 0, SPRITES * 6);
	}

	// One draw call of six vertices per sprite, the texture alternating:
	// rebound on unit 0, or (switchUnits) both kept bound on units 0 and 1
	// with the sampler moved between them.
	void drawAlternating(bool switchUnits)
	{
		for (int i = 0; i < SPRITES; ++i)
		{
			if (switchUnits)
				glUniform1i(sampler, i & 1);
			else
				glBindTexture(GL_TEXTURE_2D, textures[i & 1]);
			glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, &positions[std::size_t(i) * 18]);
			glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 0, &uvs[std::size_t(i) * 12]);
			glDrawArrays(GL_TRIANGLES, 0, 6);
			if ((i + 1) % DRAWS_PER_FLUSH == 0)
				glFlush();
		}
	}
};

// As benchsupport::runFrames: one warm-up frame, the GL's own work waited
// for outside the timing.
template <class Frame>
void runFrames(benchmark::State& state, Frame frame, int drawCalls)
{
	frame();
	glFinish();
	for (auto _ : state)
	{
		frame();
		state.PauseTiming();
		glFinish();
		state.ResumeTiming();
	}
	state.counters["drawcalls/frame"] = drawCalls;
}

// 2,000 sprites of one texture in one draw call.
void BM_BareGLOneTexture(benchmark::State& state)
{
	BareScene scene;
	runFrames(state, [&] { scene.drawOneTexture(); }, 1);
}

// 2,000 sprites alternating between two textures, glBindTexture before each.
void BM_BareGLAlternatingTextures(benchmark::State& state)
{
	BareScene scene;
	glActiveTexture(GL_TEXTURE0);
	runFrames(state, [&] { scene.drawAlternating(false); }, SPRITES);
}

// The same with both textures bound on two units and the sampler switched.
void BM_BareGLAlternatingUnits(benchmark::State& state)
{
	BareScene scene;
	runFrames(state, [&] { scene.drawAlternating(true); }, SPRITES);
}

} // namespace

BENCHMARK(BM_BareGLOneTexture)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareGLAlternatingTextures)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareGLAlternatingUnits)->Unit(benchmark::kMicrosecond);
