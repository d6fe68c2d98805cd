#include <support/ShellFixture.h>
#include <framework/linux/MyEAGLView.h>
#include <GLES2/gl2.h>
#include <gtest/gtest.h>

namespace
{

using framework::App;
using Lines = std::vector<std::string>;

class GLViewTest : public test::ShellFixture
{
protected:
	struct Read
	{
		GLint bits[5] = {}; // red, green, blue, alpha, depth
		unsigned char grey[4] = {};
		GLint bound = -1;
	};

	// Reads the view's buffers inside a frame, after clearing to mid grey.
	Read readInFrame()
	{
		Read r;
		app()->onUpdate = [&r](test::RecordingApp&, float, gr::Context* ctx) {
			ctx->clear(0xFF808080, true, true, false);
			ctx->flush();
			GLenum const names[] = {GL_RED_BITS, GL_GREEN_BITS, GL_BLUE_BITS, GL_ALPHA_BITS, GL_DEPTH_BITS};
			for (int i = 0; i < 5; ++i)
				glGetIntegerv(names[i], &r.bits[i]);
			glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, r.grey);
			glGetIntegerv(GL_FRAMEBUFFER_BINDING, &r.bound);
			ctx->present();
		};
		ticks(1);
		return r;
	}
};

TEST_F(GLViewTest, ColourBitsAndDepthFlag)
{
	struct Case
	{
		int renderer;
		int colorBits;
		bool depth;
		GLint bits[5];
		unsigned char grey;
	};
	Case const cases[] = {
		{1, 32, false, {8, 8, 8, 8, 0}, 0x80},
		{1, 24, true, {5, 6, 5, 0, 16}, 0x84},
		{1, 16, false, {5, 6, 5, 0, 0}, 0x84},
		{0, 32, true, {8, 8, 8, 8, 16}, 0x80},
		{0, 24, false, {5, 6, 5, 0, 0}, 0x84},
	};
	for (Case const& k : cases)
	{
		SCOPED_TRACE(testing::Message() << "renderer " << k.renderer << ", " << k.colorBits << " bits, depth " << k.depth);
		configure = [&](App::Configuration& c, framework::OSInterface&) {
			c.renderers = {k.renderer};
			c.colorBits = k.colorBits;
			c.depthBuffer = k.depth;
		};
		launch();
		Read const r = readInFrame();
		for (int i = 0; i < 5; ++i)
			EXPECT_EQ(r.bits[i], k.bits[i]) << i;
		EXPECT_EQ(r.grey[0], k.grey);
		EXPECT_EQ(r.grey[2], k.grey);
		EXPECT_NE(EAGLBackbufferFrameBuffer, 0u);
		EXPECT_EQ(EAGLBackbufferFrameBuffer, controller().view()->viewFramebuffer());
		EXPECT_EQ(GLuint(r.bound), EAGLBackbufferFrameBuffer);
		finish();
		host.reset();
	}
}

TEST_F(GLViewTest, ALayoutRebuildsTheBufferTheNextFrameDrawsInto)
{
	launch();
	readInFrame();
	GLuint const before = controller().view()->viewFramebuffer();
	send("0 resize 90 70");
	EXPECT_EQ(controller().view()->backingWidth(), 90);
	EXPECT_EQ(controller().view()->backingHeight(), 70);
	EXPECT_EQ(EAGLBackbufferFrameBuffer, controller().view()->viewFramebuffer());
	EXPECT_EQ(gr::currentPresenter(), &controller()); // presents still pass the shell

	unsigned char corner[4] = {};
	GLint bound = -1;
	app()->onUpdate = [&](test::RecordingApp&, float, gr::Context* ctx) {
		ctx->clear(0xFF10E020, true, false, false);
		ctx->flush();
		glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
		glReadPixels(89, 69, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
		ctx->present();
	};
	ticks(1);
	EXPECT_EQ(GLuint(bound), controller().view()->viewFramebuffer());
	EXPECT_EQ(corner[0], 0x10);
	EXPECT_EQ(corner[1], 0xE0);
	EXPECT_EQ(corner[2], 0x20);
	EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
	(void)before;
}

TEST_F(GLViewTest, IncompleteBufferTakesNoFramesUntilRebuilt)
{
	switches.incompleteFramebuffer = true;
	testing::internal::CaptureStdout();
	launch();
	std::string const out = testing::internal::GetCapturedStdout();
	EXPECT_NE(out.find("failed to make complete framebuffer object!\n"), std::string::npos) << out;
	ASSERT_NE(app(), nullptr);
	EXPECT_FALSE(controller().view()->framebufferComplete());
	ticks(3);
	EXPECT_TRUE(app()->dts.empty());

	host->switches().incompleteFramebuffer = false;
	send("0 resize 64 48");
	EXPECT_TRUE(controller().view()->framebufferComplete());
	ticks(2);
	EXPECT_EQ(app()->dts.size(), 2u);
	EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
