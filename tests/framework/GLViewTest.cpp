#include <support/ShellFixture.h>
#include <support/TempFolder.h>
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

namespace
{

class GLViewLimits : public test::ShellFixture
{
};

TEST_F(GLViewLimits, SizesAreCutToWhatTheContextDraws)
{
	struct Case
	{
		char const* name;
		int maxSize;
		char const* resize;
		int width, height;
		bool cut;
	};
	// The fixture's screen is 48 x 64 points, drawn landscape (64 x 48).
	Case const cases[] = {
		{"screen within the limit", 64, "", 64, 48, false},
		{"screen over the limit", 40, "", 40, 40, true},
		{"resize within the limit", 200, "0 resize 200 100", 200, 100, false},
		{"resize over the limit", 100, "0 resize 4000 30", 100, 30, true},
	};
	for (Case const& c : cases)
	{
		switches.maxSize = c.maxSize;
		testing::internal::CaptureStdout();
		launch();
		if (*c.resize)
			send(c.resize);
		ticks(2);
		std::string const out = testing::internal::GetCapturedStdout();
		EXPECT_TRUE(controller().view()->framebufferComplete()) << c.name << "\n" << out;
		EXPECT_EQ(controller().view()->backingWidth(), c.width) << c.name;
		EXPECT_EQ(controller().view()->backingHeight(), c.height) << c.name;
		EXPECT_EQ(app()->dts.size(), 2u) << c.name;
		EXPECT_EQ(out.find("failed to make complete framebuffer object!"), std::string::npos) << c.name << "\n" << out;
		EXPECT_EQ(out.find("larger than the GL context can draw") != std::string::npos, c.cut) << c.name << "\n" << out;
		EXPECT_EQ(finish(), 0) << c.name;
		host.reset();
		log.clear();
	}
}

// A requested screenshot that cannot be taken ends the run with status 1
// and a message naming the frame: one whose frame cannot be drawn, and one
// whose file cannot be written.
TEST_F(GLViewLimits, ScreenshotThatCannotBeTakenEndsTheRun)
{
	struct Case
	{
		bool incompleteFramebuffer;
		bool outIsAFile;
		int frame;
		char const* message;
	};
	Case const cases[] = {
		{true, false, 1, "Frame 1 cannot be drawn (the back buffer is incomplete): its screenshot is not taken"},
		{false, true, 2, "frame 2"},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.message);
		test::TempFolder out;
		out.write("taken", "a file where the folder of the captures should be");
		switches.incompleteFramebuffer = c.incompleteFramebuffer;
		options.screenshots = {c.frame};
		options.out = c.outIsAFile ? out / "taken" : out.path();
		options.frames = 5;
		create();
		testing::internal::CaptureStdout();
		int const status = host->run({});
		std::string const text = testing::internal::GetCapturedStdout();
		EXPECT_EQ(status, 1);
		EXPECT_NE(text.find(c.message), std::string::npos) << text;
		EXPECT_LT(host->ticks(), 5);
		host.reset();
	}
}

} // namespace
