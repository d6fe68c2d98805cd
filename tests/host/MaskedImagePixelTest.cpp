#include <DrawPlacement.h>
#include <host/MaskedImage.h>
#include <game/Sprite.h>
#include <game/SpriteSheet.h>
#include <math/float4x4.h>
#include <support/BackendRender.h>
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace
{

int const SIZE = 64;
int const CELL = 8;

/** Colour of the 32 x 32 checker texture at texel (x, y): red and blue cells of 8. */
test::RGBA checker(int x, int y)
{
	return ((x / CELL + y / CELL) % 2) ? test::RGBA{0, 0, 255, 255} : test::RGBA{255, 0, 0, 255};
}

/** An A8B8G8R8 image of size x size from fill(x, y). */
template <class Fill>
lang::Ptr<gr::Image> image(gr::Context* ctx, int size, Fill fill)
{
	lang::Ptr<gr::Image> img = ctx->createImage(size, size, 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
	std::vector<unsigned char> px(std::size_t(size) * size * 4);
	for (int y = 0; y < size; ++y)
		for (int x = 0; x < size; ++x)
		{
			test::RGBA const c = fill(x, y);
			for (int k = 0; k < 4; ++k)
				px[(std::size_t(y) * size + x) * 4 + k] = (unsigned char)c[k];
		}
	img->blt(0, 0, px.data(), size * 4, 0, size, size, gr::SurfaceFormat::SURFACE_A8B8G8R8);
	return img;
}

/** True for the texels of the round mask: a disc of radius 12 around (16, 16). */
bool inDisc(float x, float y)
{
	return (x - 16.f) * (x - 16.f) + (y - 16.f) * (y - 16.f) < 12.f * 12.f;
}

/** The checker texture and the round mask (32 x 32 sprite pivoted at its centre) drawn by draw. */
std::vector<unsigned char> scene(test::Backend const& backend, std::function<void(gr::Context*, host::MaskedImage&, gr::Image*, game::Sprite*)> draw)
{
	return test::renderOn(backend, ENGINE_SHADER_DATA, SIZE, SIZE, [&draw](gr::Context* ctx) {
		ctx->clear(0xFF000000, true, true, false);
		lang::Ptr<gr::Image> texture = image(ctx, 32, checker);
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(image(ctx, 32, [](int x, int y) {
			return inDisc(float(x) + 0.5f, float(y) + 0.5f) ? test::RGBA{255, 255, 255, 255} : test::RGBA{255, 255, 255, 0};
		}));
		game::Sprite* round = sheet->createSprite("round", 0, 0, 32, 32, 16, 16);
		host::MaskedImage masked(ctx);
		draw(ctx, masked, texture, round);
		ctx->flush();
	});
}

test::RGBA at(std::vector<unsigned char> const& f, int x, int y)
{
	std::size_t const i = (std::size_t(y) * SIZE + x) * 4;
	return {f[i], f[i + 1], f[i + 2], f[i + 3]};
}

/** Largest channel difference of two frames. */
int difference(std::vector<unsigned char> const& a, std::vector<unsigned char> const& b)
{
	int d = 0;
	for (std::size_t i = 0; i < a.size(); i += 4)
		for (int k = 0; k < 3; ++k)
			d = std::max(d, std::abs(int(a[i + k]) - int(b[i + k])));
	return d;
}

bool near(test::RGBA const& a, test::RGBA const& b, int tolerance = 8)
{
	for (int k = 0; k < 3; ++k)
		if (std::abs(a[k] - b[k]) > tolerance)
			return false;
	return true;
}

test::Backend const BACKENDS[] = {test::GLES1, test::GLES2};

TEST(MaskedImagePixels, TwoObjectsCutOnePatternByPositionOnBothBackEnds)
{
	std::vector<unsigned char> frames[2];
	for (int b = 0; b < 2; ++b)
	{
		frames[b] = scene(BACKENDS[b], [](gr::Context*, host::MaskedImage& masked, gr::Image* texture, game::Sprite* round) {
			masked.add(20.f, 24.f, texture, round, 1.f, 1.f);
			masked.add(44.f, 40.f, texture, round, 1.f, 1.f);
			masked.render();
		});
		std::vector<unsigned char> const& f = frames[b];
		int checked = 0;
		for (int y = 0; y < SIZE; y += 3)
			for (int x = 0; x < SIZE; x += 3)
			{
				float const cx = float(x) + 0.5f;
				float const cy = float(y) + 0.5f;
				bool const first = inDisc(cx - 4.f, cy - 8.f);
				bool const second = inDisc(cx - 28.f, cy - 24.f);
				// Cell edges and the disc's rim are left out: sampling there may round either way.
				bool const rim = inDisc(cx - 4.f, cy - 8.f) != inDisc(cx - 4.f + 1.f, cy - 8.f + 1.f) ||
								 inDisc(cx - 28.f, cy - 24.f) != inDisc(cx - 28.f + 1.f, cy - 24.f + 1.f) ||
								 inDisc(cx - 4.f - 1.f, cy - 8.f - 1.f) != first || inDisc(cx - 28.f - 1.f, cy - 24.f - 1.f) != second;
				int const tx = (x + 16) % 32;
				int const ty = (y + 16) % 32;
				if (rim || tx % CELL == 0 || tx % CELL == CELL - 1 || ty % CELL == 0 || ty % CELL == CELL - 1)
					continue;
				// The texture is laid by screen position: u = (x + pivot) / 32 for both objects.
				test::RGBA const expected = (first || second) ? checker(tx, ty) : test::RGBA{0, 0, 0, 255};
				EXPECT_TRUE(near(expected, at(f, x, y))) << "back end " << b << " at " << x << ", " << y << ": " << at(f, x, y)[0] << " " << at(f, x, y)[1] << " " << at(f, x, y)[2] << " expected " << expected[0] << " " << expected[2];
				++checked;
			}
		EXPECT_GT(checked, 150);
	}
	EXPECT_LE(difference(frames[0], frames[1]), 8);
}

TEST(MaskedImagePixels, RotationAndAlphaFactorAgreeOnBothBackEnds)
{
	std::vector<unsigned char> frames[2];
	for (int b = 0; b < 2; ++b)
	{
		frames[b] = scene(BACKENDS[b], [](gr::Context* ctx, host::MaskedImage& masked, gr::Image* texture, game::Sprite* round) {
			gr::RenderState2D& rs = ctx->getRenderState2D();
			draw::setAngle(rs, 0.6f);
			rs.pivot = math::float2(16.f, 16.f);
			rs.alpha = 0.5f;
			masked.add(32.f, 32.f, texture, round, 1.f, 1.f);
			masked.render();
		});
		// Half the checker colour inside the disc, black in the screen's corners.
		test::RGBA const centre = at(frames[b], 33, 30);
		EXPECT_TRUE(near(test::RGBA{0, 0, 128, 255}, centre) || near(test::RGBA{128, 0, 0, 255}, centre))
			<< centre[0] << " " << centre[1] << " " << centre[2];
		EXPECT_TRUE(near(test::RGBA{0, 0, 0, 255}, at(frames[b], 2, 2)));
		EXPECT_TRUE(near(test::RGBA{0, 0, 0, 255}, at(frames[b], 61, 61)));
	}
	EXPECT_LE(difference(frames[0], frames[1]), 8);
}

} // namespace
