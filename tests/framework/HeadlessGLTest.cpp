#include <framework/linux/HeadlessGL.h>
#include <EGL/egl.h>
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <cstring>
#include <memory>

using framework::HeadlessGL;

namespace
{

int s_hookRuns = 0;
void countHook()
{
	++s_hookRuns;
}

} // namespace

TEST(HeadlessGL, Es2ContextDrawsIntoItsFrameBuffer)
{
	HeadlessGL gl(HeadlessGL::API_GLES2, 8, 4);
	ASSERT_TRUE(gl.isCurrent());
	EXPECT_NE(0u, gl.frameBuffer());
	EXPECT_EQ(gl.frameBuffer(), EAGLBackbufferFrameBuffer);
	// A true 2.0 context, not a later version.
	EXPECT_EQ(0, std::strncmp("OpenGL ES 2.0", reinterpret_cast<char const*>(glGetString(GL_VERSION)), 13));
	GLint bound = 0;
	glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
	EXPECT_EQ(gl.frameBuffer(), (GLuint)bound);
	GLint depthBits = 0;
	glGetIntegerv(GL_DEPTH_BITS, &depthBits);
	EXPECT_EQ(16, depthBits);

	glClearColor(1, 0, 0, 1);
	glClear(GL_COLOR_BUFFER_BIT);
	unsigned char px[4] = {};
	glReadPixels(7, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
	EXPECT_EQ(255, px[0]);
	EXPECT_EQ(0, px[1]);
	EXPECT_EQ(255, px[3]);
	EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());

	updateScrFunc();
	updateScrFunc();
	EXPECT_EQ(2, gl.frames());
}

TEST(HeadlessGL, Es1ContextAndSwitchingRunsHooks)
{
	gr::addContextCurrentHook(countHook);
	gr::addContextCurrentHook(countHook);
	s_hookRuns = 0;
	auto a = std::make_unique<HeadlessGL>(HeadlessGL::API_GLES2, 4, 4);
	EXPECT_EQ(1, s_hookRuns);
	auto b = std::make_unique<HeadlessGL>(HeadlessGL::API_GLES1, 4, 4);
	EXPECT_EQ(2, s_hookRuns);
	EXPECT_EQ(0, std::strncmp("OpenGL ES-CM 1.1", reinterpret_cast<char const*>(glGetString(GL_VERSION)), 16));
	EXPECT_EQ(b->frameBuffer(), EAGLBackbufferFrameBuffer);
	b->makeCurrent(); // already current: no hook
	EXPECT_EQ(2, s_hookRuns);
	a->makeCurrent();
	EXPECT_EQ(3, s_hookRuns);
	EXPECT_EQ(a->frameBuffer(), EAGLBackbufferFrameBuffer);
	updateScrFunc();
	EXPECT_EQ(1, a->frames());
	EXPECT_EQ(0, b->frames());
	b.reset(); // not current: a stays current
	EXPECT_TRUE(a->isCurrent());
	EXPECT_EQ(a->frameBuffer(), EAGLBackbufferFrameBuffer);
	a.reset();
	EXPECT_EQ(0u, EAGLBackbufferFrameBuffer);
	updateScrFunc(); // no view: nothing
}

// Each view keeps its last frame's fence until its next present or its
// end: on both APIs, with the views switching between presents, the
// presents keep one fence per view and leave no EGL or GL error; a view
// presented while another is current only waits; ending a view deletes
// its pending fence.
TEST(HeadlessGL, PresentsKeepOneFencePerView)
{
	int const before = HeadlessGL::pendingFences();
	auto es1 = std::make_unique<HeadlessGL>(HeadlessGL::API_GLES1, 4, 4);
	auto es2 = std::make_unique<HeadlessGL>(HeadlessGL::API_GLES2, 4, 4);
	eglGetError();
	for (int frame = 0; frame < 12; ++frame)
	{
		for (HeadlessGL* gl : {es1.get(), es2.get()})
		{
			SCOPED_TRACE(testing::Message() << (gl == es1.get() ? "ES 1.1" : "ES 2.0") << ", frame " << frame);
			gl->makeCurrent();
			float const red = float(frame % 2);
			glClearColor(red, 0, 1 - red, 1);
			glClear(GL_COLOR_BUFFER_BIT);
			gl->present();
			EXPECT_EQ(EGL_SUCCESS, eglGetError());
			unsigned char px[4] = {};
			glReadPixels(3, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
			EXPECT_EQ(frame % 2 ? 255 : 0, px[0]);
			EXPECT_EQ(frame % 2 ? 0 : 255, px[2]);
			EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
			EXPECT_EQ(frame + 1, gl->frames());
		}
		EXPECT_EQ(before + 2, HeadlessGL::pendingFences());
	}
	// es2 is current: es1's present waits for its last frame and fences
	// nothing of es2's.
	es1->present();
	EXPECT_EQ(before + 1, HeadlessGL::pendingFences());
	es1->makeCurrent();
	es1->present();
	EXPECT_EQ(before + 2, HeadlessGL::pendingFences());
	es1.reset();
	EXPECT_EQ(before + 1, HeadlessGL::pendingFences());
	es2.reset();
	EXPECT_EQ(before, HeadlessGL::pendingFences());
	EXPECT_EQ(EGL_SUCCESS, eglGetError());
}
