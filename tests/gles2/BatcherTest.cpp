#include <support/RenderFixture.h>
#include <filesystem>
#include <io/detail/detail.h>
#include <support/TempFolder.h>
#include <gr/Shader.h>
#include <gr/gl/gles2/GL2_State.h>
#include <gr/GraphicsException.h>
#include <io/ByteArrayInputStream.h>
#include <io/std/BundleInputStream.h>
#include <io/IOException.h>
#include <algorithm>
#include <functional>
#include <numbers>

using gr::Context;
using gr::Rect;
using gr::gles2::GL_RenderBatcher;
using namespace gles2test;

namespace
{

typedef RenderFixture BatcherTest;

RGBA solid(RGBA c)
{
	return c;
}

// Images one batch of the built-in sprite effects takes on this GL: its
// fragment texture units, at most the batcher's 16.
int batchImageLimit()
{
	GLint units = 0;
	glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &units);
	return std::min(int(units), gr::gles2::GL_ContextBase::MAX_BATCH_IMAGES);
}

/** An 8 x 8 image of its own gradient of colour (shift) and, with alpha, of alpha. */
lang::Ptr<gr::Image> gradientImage(gr::Context& c, bool alpha, int shift)
{
	std::vector<unsigned char> bytes(8 * 8 * 4);
	for (int i = 0; i < 64; ++i)
	{
		bytes[std::size_t(i) * 4 + 0] = (unsigned char)(i * 4 + shift);
		bytes[std::size_t(i) * 4 + 1] = (unsigned char)(255 - i * 3 - shift / 2);
		bytes[std::size_t(i) * 4 + 2] = (unsigned char)(i * 7 + shift);
		bytes[std::size_t(i) * 4 + 3] = alpha ? (unsigned char)(i * 4 + shift / 8) : 255;
	}
	lang::Ptr<gr::Image> img = c.createImage(8, 8, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
	img->blt(0, 0, bytes.data(), 8 * 4, 0, 8, 8, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	return img;
}

} // namespace

TEST_F(BatcherTest, HundredSpritesOfOneImageAreOneDrawCall)
{
	lang::Ptr<gr::Image> image = makeImage(4, 4, [](int, int) { return solid(GREEN); });
	for (int i = 0; i < 100; ++i)
		image->draw(&ctx(), float(i % 10) * 6.f, float(i / 10) * 6.f, 0, 0, 4, 4, 4.f, 4.f);
	ctx().flush();
	EXPECT_EQ(1, counter(Context::Statistics::COUNTER_DRAWCALLS));
	EXPECT_EQ(1, counter(Context::Statistics::COUNTER_IMAGEBATCHES));
	EXPECT_EQ(100, counter(Context::Statistics::COUNTER_IMAGEQUADS));
	EXPECT_EQ(200, counter(Context::Statistics::COUNTER_TRIANGLES));
	EXPECT_EQ(GREEN, px(1, 1)) << "sprites without vertex colours draw unmodulated";
	EXPECT_EQ(GREEN, px(57, 57));
	EXPECT_EQ(BLACK, px(5, 1));
}

TEST_F(BatcherTest, RotatedSpriteLandsOnTheRightPixels)
{
	// Left half red, right half green, 16 x 8.
	lang::Ptr<gr::Image> image = makeImage(16, 8, [](int x, int) { return x < 8 ? RED : GREEN; });
	gr::RenderState2D& rs = ctx().getRenderState2D();
	float const a = float(std::numbers::pi) / 2.f;
	rs.angle = a;
	rs.rotation[0] = std::cos(a);
	rs.rotation[1] = std::sin(a);
	rs.rotation[2] = -std::sin(a);
	rs.rotation[3] = std::cos(a);
	// A quarter turn about the top-left corner: the picture hangs down and
	// to the left of (40, 10), covering x 32..40 and y 10..26.
	image->draw(&ctx(), 40.f, 10.f, 0, 0, 16, 8, 16.f, 8.f);
	EXPECT_EQ(RED, px(36, 12));
	EXPECT_EQ(GREEN, px(36, 23));
	EXPECT_EQ(BLACK, px(44, 12)) << "where the unrotated sprite would be";
	EXPECT_EQ(BLACK, px(36, 8));

	// With angle 0 the matrix and the pivot are ignored.
	ctx().clear(0xFF000000, true, false, false);
	rs.angle = 0.f;
	rs.pivot = math::float2(5.f, 5.f);
	image->draw(&ctx(), 40.f, 10.f, 0, 0, 16, 8, 16.f, 8.f);
	EXPECT_EQ(RED, px(42, 12));
	EXPECT_EQ(GREEN, px(54, 16));
}

TEST_F(BatcherTest, ItemsJoinOnlyWhenTheyWouldDrawAlike)
{
	lang::Ptr<gr::Image> image = makeImage(4, 4, [](int, int) { return solid(WHITE); });
	lang::Ptr<gr::Image> other = makeImage(4, 4, [](int, int) { return solid(WHITE); });
	lang::Ptr<gr::Image> third = makeImage(4, 4, [](int, int) { return solid(WHITE); });
	lang::Ptr<gr::Shader> clone = ctx().getSpriteShader()->clone();
	math::float3 const pos[4] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {4, 4, 0}};
	math::float2 const uv[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
	math::float4 const colors[4] = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
	gr::RenderState2D& rs = ctx().getRenderState2D();

	struct Case
	{
		char const* what;
		int batches;
		std::function<void()> second;
	} const cases[] = {
		{"same everything", 1, [&] { image->draw(&ctx(), pos, uv, nullptr); }},
		// Other images join the batch of a built-in sprite shader.
		{"other image", 1, [&] { other->draw(&ctx(), pos, uv, nullptr); }},
		{"other image, then the first again", 1, [&] {
			 other->draw(&ctx(), pos, uv, nullptr);
			 image->draw(&ctx(), pos, uv, nullptr);
		 }},
		{"a third image", 1, [&] {
			 other->draw(&ctx(), pos, uv, nullptr);
			 third->draw(&ctx(), pos, uv, nullptr);
		 }},
		{"other image without texture coordinates", 2, [&] {
			 ctx().getBatcher().render(GL_RenderBatcher::TYPE_IMAGE_QUADS, ctx().getSpriteShader(), pos, nullptr, nullptr, other, 1);
		 }},
		{"other image in another shader", 2, [&] { other->draw(&ctx(), pos, uv, clone); }},
		{"other shader", 2, [&] { image->draw(&ctx(), pos, uv, clone); }},
		{"with colours", 2, [&] { image->draw(&ctx(), pos, uv, colors, nullptr); }},
		{"alpha", 2, [&] { rs.alpha = 0.5f; image->draw(&ctx(), pos, uv, nullptr); }},
		{"colour saturation", 2, [&] { rs.colorSaturation = 0.f; image->draw(&ctx(), pos, uv, nullptr); }},
		{"transform", 2, [&] { rs.transform[3] = 0.5f; image->draw(&ctx(), pos, uv, nullptr); }},
		{"world space", 2, [&] { rs.worldSpace = true; image->draw(&ctx(), pos, uv, nullptr); }},
		{"clip rectangle", 2, [&] { rs.clipRect = Rect(0, 0, 8, 8); image->draw(&ctx(), pos, uv, nullptr); }},
		{"off-screen quad between", 1, [&] {
			 image->draw(&ctx(), -100.f, 0.f, 0, 0, 4, 4, 4.f, 4.f);
			 image->draw(&ctx(), pos, uv, nullptr);
		 }},
	};
	for (Case const& c : cases)
	{
		ctx().setRenderState2D(gr::RenderState2D());
		ctx().statistics.reset();
		image->draw(&ctx(), pos, uv, nullptr);
		c.second();
		ctx().flush();
		EXPECT_EQ(c.batches, counter(Context::Statistics::COUNTER_IMAGEBATCHES)) << c.what;
	}
}

TEST_F(BatcherTest, ImagesOfOneBatchDrawTheirOwnPixels)
{
	// 2, 3, 8 and 16 images, each with its own gradient of colour and (some
	// cases) of alpha, drawn mixed in one batch, against the same sprites
	// drawn a batch each (a flush between): the frames must be the same
	// bytes. The sprites overlap, so the order within the batch shows too.
	// They are 7 x 7 pixels (7 x 6 scaled) at most: small enough for the
	// form of 16 images (MULTI_IMAGE_FILL_BUDGET).
	auto image = [&](bool alpha, int shift) { return gradientImage(ctx(), alpha, shift); };
	math::float4 const tint[4] = {{255, 128, 64, 255}, {32, 255, 128, 200}, {128, 64, 255, 100}, {255, 255, 255, 255}};
	struct Case
	{
		char const* what;
		bool alpha;
		std::function<void(gr::Image*, float, float)> draw;
		std::function<void()> state;
	} const cases[] = {
		{"opaque", false, [](gr::Image* i, float x, float y) { i->draw(&ctx(), x, y, 0, 0, 8, 8, 7.f, 7.f); }, [] {}},
		{"with alpha", true, [](gr::Image* i, float x, float y) { i->draw(&ctx(), x, y, 0, 0, 8, 8, 7.f, 7.f); }, [] {}},
		{"scaled", true, [](gr::Image* i, float x, float y) { i->draw(&ctx(), x, y, 1, 2, 5, 4, 7.f, 6.f); }, [] {}},
		{"alpha factor", false, [](gr::Image* i, float x, float y) { i->draw(&ctx(), x, y, 0, 0, 8, 8, 7.f, 7.f); },
			[] { ctx().getRenderState2D().alpha = 0.6f; }},
		{"grey", true, [](gr::Image* i, float x, float y) { i->draw(&ctx(), x, y, 0, 0, 8, 8, 7.f, 7.f); },
			[] { ctx().getRenderState2D().colorSaturation = 0.25f; }},
		{"vertex colours", true, [&](gr::Image* i, float x, float y) {
			 math::float3 const pos[4] = {{x, y, 0}, {x + 7, y, 0}, {x, y + 7, 0}, {x + 7, y + 7, 0}};
			 math::float2 const uv[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
			 i->draw(&ctx(), pos, uv, tint, nullptr);
		 }, [] {}},
	};
	int const sprites = 48;
	for (int const count : {2, 3, 8, 16})
	{
		// In turn, then in a scattered order that comes back to images
		// already in the batch.
		for (bool const scattered : {false, true})
		{
			for (Case const& c : cases)
			{
				SCOPED_TRACE(::testing::Message() << c.what << ", " << count << " images" << (scattered ? ", scattered" : ""));
				std::vector<lang::Ptr<gr::Image>> images;
				for (int k = 0; k < count; ++k)
					images.push_back(image(c.alpha, k * 37));
				auto frameOf = [&](bool apart) {
					ctx().setRenderState2D(gr::RenderState2D());
					c.state();
					ctx().clear(0xFF402010, true, true, false);
					ctx().flush();
					ctx().statistics.reset();
					for (int i = 0; i < sprites; ++i)
					{
						int const k = scattered ? (i * 5 + i / 7) % count : i % count;
						c.draw(images[std::size_t(k)], float((i * 11) % 56), float((i * 5) % 56));
						if (apart)
							ctx().flush();
					}
					ctx().flush();
					return frame();
				};
				std::vector<unsigned char> const apart = frameOf(true);
				EXPECT_EQ(sprites, counter(Context::Statistics::COUNTER_DRAWCALLS));
				std::vector<unsigned char> const batched = frameOf(false);
				if (count <= batchImageLimit())
					EXPECT_EQ(1, counter(Context::Statistics::COUNTER_DRAWCALLS));
				EXPECT_TRUE(apart == batched);
			}
		}
	}
}

TEST_F(BatcherTest, BatchTakesImagesUpToTheLimit)
{
	// One sprite of each of limit + 1 images, then the first again: the
	// image past the limit starts a second batch, which the first image
	// then joins.
	int const limit = batchImageLimit();
	std::vector<lang::Ptr<gr::Image>> images;
	for (int k = 0; k <= limit; ++k)
		images.push_back(makeImage(2, 2, [k](int, int) { return RGBA{k * 15, 255 - k * 15, 7 * k, 255}; }));
	for (int k = 0; k <= limit; ++k)
		images[std::size_t(k)]->draw(&ctx(), float(k * 3), 0.f, 0, 0, 2, 2, 2.f, 2.f);
	images[0]->draw(&ctx(), 0.f, 4.f, 0, 0, 2, 2, 2.f, 2.f);
	ctx().flush();
	EXPECT_EQ(2, counter(Context::Statistics::COUNTER_DRAWCALLS));
	for (int k = 0; k <= limit; ++k)
		EXPECT_EQ((RGBA{k * 15, 255 - k * 15, 7 * k, 255}), px(k * 3, 0)) << "image " << k;
	EXPECT_EQ(px(0, 0), px(1, 5));
}

TEST_F(BatcherTest, LargerSpritesTakeFewerImagesABatch)
{
	// A quad's fill in a batch of several images may cost at most
	// MULTI_IMAGE_FILL_BUDGET samples beyond its own image's: its pixels
	// times the form's samplers less one (768: 51 pixels take 16 images,
	// 109 take 8, 256 take 4, 768 two); and the batch is drawn in one call
	// only where its extra samples come to at most as many per call saved.
	static_assert(GL_RenderBatcher::MULTI_IMAGE_FILL_BUDGET == 768, "the cases count on it");
	std::vector<lang::Ptr<gr::Image>> images;
	for (int k = 0; k < 16; ++k)
		images.push_back(makeImage(4, 4, [k](int, int) { return RGBA{k * 15, 255, 0, 255}; }));
	auto sprite = [&](int k, float size) { images[std::size_t(k)]->draw(&ctx(), 2.f, 3.f, 0, 0, 4, 4, size, size); };
	// sprites sprites of size, taking count images in turn.
	auto inTurn = [&](int count, int sprites, float size) {
		for (int i = 0; i < sprites; ++i)
			sprite(i % count, size);
	};
	struct Case
	{
		char const* what;
		int drawCalls;
		std::function<void()> draw;
	} const cases[] = {
		{"16 images of 7 x 7", 1, [&] { inTurn(16, 32, 7.f); }},
		{"16 images of 8 x 8: eight a batch", 4, [&] { inTurn(16, 32, 8.f); }},
		{"8 images of 12 x 12: four a batch", 4, [&] { inTurn(8, 16, 12.f); }},
		{"8 images of 16 x 16: batches of four that do not pay, a call a sprite", 16, [&] { inTurn(8, 16, 16.f); }},
		{"2 images of 25 x 25", 1, [&] { inTurn(2, 8, 25.f); }},
		{"2 images of 28 x 28: one a batch", 8, [&] { inTurn(2, 8, 28.f); }},
		{"a large sprite after small ones of three images, though of the first image", 2, [&] {
			 inTurn(3, 6, 4.f);
			 sprite(0, 20.f);
		 }},
		{"small sprites of other images after a large one", 2, [&] {
			 sprite(0, 40.f);
			 inTurn(3, 6, 4.f);
		 }},
		{"8 images of 4 x 4 magnified 3 times by the transform: four a batch", 4, [&] {
			 gr::RenderState2D& rs = ctx().getRenderState2D();
			 rs.transform(0, 0) = 3.f;
			 rs.transform(1, 1) = 3.f;
			 inTurn(8, 16, 4.f);
		 }},
	};
	for (Case const& c : cases)
	{
		ctx().setRenderState2D(gr::RenderState2D());
		ctx().statistics.reset();
		c.draw();
		ctx().flush();
		EXPECT_EQ(c.drawCalls, counter(Context::Statistics::COUNTER_DRAWCALLS)) << c.what;
	}
}

TEST_F(BatcherTest, FragmentFormsDrawTheFullFormsBytes)
{
	// Batches at colour saturation 1 or alpha 1 draw with forms that skip
	// the grey mix or the alpha factor. Every combination of saturation,
	// alpha, image count, translucent or opaque images and vertex colours,
	// drawn here, must give the bytes of a context whose shader folder
	// lacks the forms (and so draws everything with the full ones). The
	// sprites are 7 x 7, small enough for the form of 16 images.
	auto& gl = static_cast<gr::gles2::GL_ContextBase&>(ctx());
	for (gr::Shader* full : {gl.getSpriteShader(), gl.getSpriteAlphaShader(), gl.multiImageShader(gl.getSpriteAlphaShader(), 2)})
	{
		EXPECT_NE(full, gl.fragmentForm(full, 1.f, 1.f));
		EXPECT_NE(full, gl.fragmentForm(full, 1.f, 0.6f));
		EXPECT_NE(full, gl.fragmentForm(full, 0.25f, 1.f));
		EXPECT_EQ(full, gl.fragmentForm(full, 0.25f, 0.6f));
	}
	auto const& image = gradientImage;
	math::float4 const tint[4] = {{255, 128, 64, 255}, {32, 255, 128, 200}, {128, 64, 255, 100}, {255, 255, 255, 255}};
	struct Case
	{
		bool alphaImages;
		float saturation;
		float alpha;
		int images;
		bool colours;
	};
	std::vector<Case> cases;
	for (bool const alphaImages : {false, true})
		for (float const saturation : {1.f, 0.25f})
			for (float const alpha : {1.f, 0.6f})
				for (int const images : {1, 2, 4, 8, 16})
					for (bool const colours : {false, true})
						cases.push_back({alphaImages, saturation, alpha, std::min(images, batchImageLimit()), colours});
	auto frameOf = [&](gr::Context& c, Case const& k) {
		std::vector<lang::Ptr<gr::Image>> images;
		for (int i = 0; i < k.images; ++i)
			images.push_back(image(c, k.alphaImages, i * 37));
		gr::RenderState2D rs;
		rs.colorSaturation = k.saturation;
		rs.alpha = k.alpha;
		c.setRenderState2D(rs);
		c.clear(0xFF402010, true, true, false);
		for (int i = 0; i < 32; ++i)
		{
			float const x = float((i * 11) % 56);
			float const y = float((i * 5) % 56);
			gr::Image* img = images[std::size_t(i % k.images)];
			if (k.colours)
			{
				math::float3 const pos[4] = {{x, y, 0}, {x + 7, y, 0}, {x, y + 7, 0}, {x + 7, y + 7, 0}};
				math::float2 const uv[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
				img->draw(&c, pos, uv, tint, nullptr);
			}
			else
			{
				img->draw(&c, x, y, 0, 0, 8, 8, 7.f, 7.f);
			}
		}
		c.flush();
		return frame();
	};
	std::vector<std::vector<unsigned char>> withForms;
	for (Case const& k : cases)
		withForms.push_back(frameOf(ctx(), k));

	test::TempFolder bundle;
	std::filesystem::create_directory(bundle / "shaders");
	for (auto const& entry : std::filesystem::directory_iterator(std::string(ENGINE_DATA_DIR) + "/shaders"))
	{
		std::string const name = entry.path().filename().string();
		if (name.find("-s1") == std::string::npos && name.find("-a1") == std::string::npos)
			std::filesystem::copy_file(entry.path(), bundle / ("shaders/" + name));
	}
	io::detail::setBundlePath(bundle.path());
	{
		lang::Ptr<gr::Context> own = gr::gles2::GL_createContext(SIZE, SIZE, gr::Context::ORIENTATION_0, updateScrFunc);
		own->setShaderPath("shaders");
		for (std::size_t i = 0; i < cases.size(); ++i)
		{
			Case const& k = cases[i];
			SCOPED_TRACE(::testing::Message() << (k.alphaImages ? "translucent" : "opaque") << " images, saturation " << k.saturation
				<< ", alpha " << k.alpha << ", " << k.images << " images" << (k.colours ? ", vertex colours" : ""));
			EXPECT_TRUE(withForms[i] == frameOf(*own, k));
		}
	}
	io::detail::setBundlePath(ENGINE_DATA_DIR);
}

TEST_F(BatcherTest, BatchWhoseFormDoesNotPayDrawsACallPerRun)
{
	// A batch of several images whose extra samples come to more than
	// MULTI_IMAGE_FILL_BUDGET per draw call it saves is drawn with a call
	// per run of quads of one image, in order: the same bytes as each
	// sprite drawn apart, overlaps included.
	static_assert(GL_RenderBatcher::MULTI_IMAGE_FILL_BUDGET == 768, "the cases count on it");
	std::vector<lang::Ptr<gr::Image>> images;
	for (int k = 0; k < 8; ++k)
		images.push_back(makeImage(4, 4, [k](int x, int y) { return RGBA{k * 30, 255 - k * 20, x * 60, 100 + y * 40}; }));
	struct Case
	{
		char const* what;
		std::vector<int> order;
		float size;
		int drawCalls;
	} const cases[] = {
		{"8 images of 20 x 20 in turn: pairs of 800 extra samples", {0, 1, 2, 3, 4, 5, 6, 7}, 20.f, 8},
		{"runs of two of 20 x 20 coming back to the first image", {0, 0, 1, 1, 0, 0}, 20.f, 3},
		{"2 images of 20 x 20: 800", {0, 1}, 20.f, 2},
		{"2 images of 19 x 19: 722", {0, 1}, 19.f, 1},
		{"2 images of 20 x 20 in turn, 8 sprites: 457 per saved call", {0, 1, 0, 1, 0, 1, 0, 1}, 20.f, 1},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.what);
		auto frameOf = [&](bool apart) {
			ctx().setRenderState2D(gr::RenderState2D());
			ctx().clear(0xFF402010, true, true, false);
			ctx().flush();
			ctx().statistics.reset();
			for (std::size_t i = 0; i < c.order.size(); ++i)
			{
				float const at = float(i * 4);
				images[std::size_t(c.order[i])]->draw(&ctx(), at, at / 2.f, 0, 0, 4, 4, c.size, c.size);
				if (apart)
					ctx().flush();
			}
			ctx().flush();
			return frame();
		};
		std::vector<unsigned char> const apart = frameOf(true);
		std::vector<unsigned char> const batched = frameOf(false);
		EXPECT_EQ(c.drawCalls, counter(Context::Statistics::COUNTER_DRAWCALLS));
		EXPECT_TRUE(apart == batched);
	}
}

TEST_F(BatcherTest, ShaderFolderWithFewerFormsTakesFewerImages)
{
	// An application's own shader folder: sprites of several images in
	// turn take as many images per batch as the forms the folder has allow,
	// each image a batch of its own without any; every sprite is drawn.
	struct Case
	{
		char const* what;
		std::vector<char const*> left_out;
		int images;
		int drawCalls;
	} const cases[] = {
		{"single forms only", {"-pair.", "-images"}, 2, 4},
		{"pairs", {"-images"}, 3, 3},
		{"up to four", {"-images8.", "-images16."}, 5, 3},
		{"all but eight", {"-images8."}, 5, 3},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.what);
		test::TempFolder bundle;
		std::filesystem::create_directory(bundle / "shaders");
		for (auto const& entry : std::filesystem::directory_iterator(std::string(ENGINE_DATA_DIR) + "/shaders"))
		{
			std::string const name = entry.path().filename().string();
			if (std::none_of(c.left_out.begin(), c.left_out.end(), [&](char const* part) { return name.find(part) != std::string::npos; }))
				std::filesystem::copy_file(entry.path(), bundle / ("shaders/" + name));
		}
		io::detail::setBundlePath(bundle.path());
		{
			lang::Ptr<gr::Context> own = gr::gles2::GL_createContext(SIZE, SIZE, gr::Context::ORIENTATION_0, updateScrFunc);
			own->setShaderPath("shaders");
			std::vector<lang::Ptr<gr::Image>> images;
			std::vector<unsigned char> const bytes = pixels(4, 4, [](int, int) { return solid(GREEN); });
			for (int k = 0; k < c.images; ++k)
			{
				images.push_back(own->createImage(4, 4, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC));
				images.back()->blt(0, 0, bytes.data(), 4 * 3, 0, 4, 4, gr::SurfaceFormat::SURFACE_B8G8R8);
			}
			own->clear(0xFF000000, true, true, false);
			own->statistics.reset();
			int const sprites = 2 * c.images;
			for (int i = 0; i < sprites; ++i)
				images[std::size_t(i % c.images)]->draw(own.ptr(), float(i * 6), 0.f, 0, 0, 4, 4, 4.f, 4.f);
			own->flush();
			EXPECT_EQ(c.drawCalls, own->statistics.counters[Context::Statistics::COUNTER_DRAWCALLS]);
			for (int i = 0; i < sprites; ++i)
				EXPECT_EQ(GREEN, test::readPixel(i * 6 + 1, SIZE - 2)) << "sprite " << i;
		}
		io::detail::setBundlePath(ENGINE_DATA_DIR);
	}
}

TEST_F(BatcherTest, SpriteWithoutColoursAfterColouredOneDrawsUnmodulated)
{
	// The colour array of the first batch must not feed the second one,
	// which takes the constant white instead.
	lang::Ptr<gr::Image> image = makeImage(4, 4, [](int, int) { return solid(WHITE); });
	lang::Ptr<gr::Image> other = makeImage(4, 4, [](int, int) { return solid(WHITE); });
	math::float3 const pos[4] = {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {4, 4, 0}};
	math::float2 const uv[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
	math::float4 const red[4] = {{255, 0, 0, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}};
	image->draw(&ctx(), pos, uv, red, nullptr);
	other->draw(&ctx(), 8.f, 0.f, 0, 0, 4, 4, 4.f, 4.f);
	ctx().flush();
	EXPECT_EQ(2, counter(Context::Statistics::COUNTER_DRAWCALLS));
	EXPECT_EQ(RED, px(1, 1));
	EXPECT_EQ(WHITE, px(9, 1));
}

TEST_F(BatcherTest, BatchWithoutImageOrShaderIsDropped)
{
	math::float3 const pos[4] = {{-1, 1, 0}, {1, 1, 0}, {-1, -1, 0}, {1, -1, 0}};
	GL_RenderBatcher& batcher = ctx().getBatcher();
	batcher.render(GL_RenderBatcher::TYPE_QUADS, nullptr, pos, nullptr, nullptr, nullptr, 1);
	EXPECT_TRUE(batcher.pending());
	batcher.flush();
	EXPECT_FALSE(batcher.pending());
	EXPECT_EQ(0, counter(Context::Statistics::COUNTER_DRAWCALLS));
	ctx().flush();
	EXPECT_EQ(0, counter(Context::Statistics::COUNTER_DRAWCALLS)) << "flush with nothing pending";
}

TEST_F(BatcherTest, BatchKeepsItsImageUntilDrawn)
{
	{
		lang::Ptr<gr::Image> image = makeImage(4, 4, [](int, int) { return solid(RED); });
		image->draw(&ctx(), 0.f, 0.f, 0, 0, 4, 4, 8.f, 8.f);
		EXPECT_EQ(image.ptr(), ctx().getBatcher().getImage());
	}
	ASSERT_NE(nullptr, ctx().getBatcher().getImage());
	ctx().flush();
	EXPECT_EQ(nullptr, ctx().getBatcher().getImage());
	EXPECT_EQ(RED, px(4, 4));
}

TEST_F(BatcherTest, RenderTargetThenBackBuffer)
{
	lang::Ptr<gr::Image> target = ctx().createImage(32, 32, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, Context::UsageFlags(0x08));
	ctx().setRenderTarget(target->getTexture());
	EXPECT_EQ(Rect(0, 0, 32, 32), ctx().viewport());
	ctx().clear(0xFF00FF00, true, false, false);
	// 2D coordinates stay those of the 64 x 64 context: the left half of
	// the context is the left half of the target.
	ctx().fillRect2D(0xFFFF0000, 0, 0, 32, SIZE);
	ctx().setRenderTarget(nullptr);
	EXPECT_EQ(Rect(0, 0, SIZE, SIZE), ctx().viewport());
	EXPECT_EQ(BLACK, px(8, 8)) << "the back buffer was not drawn on";

	target->draw(&ctx(), 0.f, 0.f, 0, 0, 32, 32, 32.f, 32.f);
	EXPECT_EQ(RED, px(4, 8));
	EXPECT_EQ(GREEN, px(24, 8));
	EXPECT_EQ(BLACK, px(40, 8));
}

TEST_F(BatcherTest, ImagesLoadFromFilesWithTheirSize)
{
	lang::Ptr<io::InputStream> in = new io::BundleInputStream("images/sprite.png");
	lang::Ptr<gr::Image> image = ctx().createImage(*in, "images/sprite.png");
	EXPECT_EQ(16, image->width());
	EXPECT_EQ(16, image->height());
	EXPECT_EQ(1, counter(Context::Statistics::COUNTER_IMAGES));
	lang::Ptr<gr::Texture> texture = ctx().createTexture("images/sprite.png");
	EXPECT_EQ("images/sprite.png", texture->getName());
	EXPECT_THROW(ctx().createTexture("images/missing.png"), io::IOException);
}

TEST_F(BatcherTest, FileMipChainMustFitTheImage)
{
	// A 4 x 4 A8B8G8R8 file in the old PVR layout: a 52-byte header, then
	// every level, each half the size of the one before (at least 1 x 1).
	auto pvr = [](unsigned extraMips) {
		std::vector<unsigned char> bytes(52);
		auto put = [&bytes](int at, unsigned v) {
			for (int k = 0; k < 4; ++k)
				bytes[std::size_t(at + k)] = (unsigned char)(v >> (8 * k));
		};
		put(0, 52);
		put(4, 4);
		put(8, 4);
		put(12, extraMips);
		put(16, 0x12);
		put(24, 32);
		put(48, 1);
		for (unsigned m = 0; m <= extraMips; ++m)
		{
			int const side = std::max(4 >> m, 1);
			bytes.resize(bytes.size() + std::size_t(side * side * 4), 0x80);
		}
		return bytes;
	};
	struct Case
	{
		unsigned extraMips;
		bool loads;
	} const cases[] = {{2, true}, {3, false}, {31, false}};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(c.extraMips);
		std::vector<unsigned char> const bytes = pvr(c.extraMips);
		lang::Ptr<io::InputStream> in = new io::ByteArrayInputStream(bytes.data(), int(bytes.size()));
		if (c.loads)
		{
			lang::Ptr<gr::Image> image = ctx().createImage(*in, "chain.pvr");
			EXPECT_EQ(4, image->width());
			continue;
		}
		try
		{
			lang::Ptr<gr::Image> image = ctx().createImage(*in, "chain.pvr");
			ADD_FAILURE() << "no exception";
		}
		catch (gr::GraphicsException const& e)
		{
			EXPECT_NE(std::string::npos, e.getMessage().format().find("chain.pvr"));
		}
	}
}

TEST_F(BatcherTest, ShadowedImagesSurviveHibernateAndResume)
{
	gr::Context const& asContext = ctx();
	EXPECT_FALSE(asContext.isTextureShadowingEnabled());
	ctx().textureShadowing().setEnabled(true);
	EXPECT_TRUE(asContext.isTextureShadowingEnabled()) << "the interface answers the back end's switch";
	lang::Ptr<gr::Image> image = makeImage(4, 4, [](int, int) { return solid(BLUE); });
	ctx().hibernateContext();
	ctx().resumeContext();
	ctx().textureShadowing().setEnabled(false);
	EXPECT_FALSE(asContext.isTextureShadowingEnabled());
	image->draw(&ctx(), 0.f, 0.f, 0, 0, 4, 4, 8.f, 8.f);
	EXPECT_EQ(BLUE, px(4, 4));
}
