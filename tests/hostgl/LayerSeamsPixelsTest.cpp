// Foreground layer pieces drawn side by side on the headless ES 2.0 context:
// at any world scale, layer scale, parallax and scroll position the copies
// meet, so no column of their band shows the sky between them.
#include "HostPixelFixture.h"
#include <cmath>
#include <string>

using gles2test::RGBA;

namespace
{

RGBA const CYAN = {0, 255, 255, 255};
RGBA const SKY = {40, 80, 120, 255};

class LayerSeamsPixels : public hostgltest::HostPixelFixture
{
protected:
	void SetUp() override
	{
		HostPixelFixture::SetUp();
		// One piece filling its image, standing on its pivot (bottom left).
		addSheet("S", makeImage(8, 4, [](int, int) { return CYAN; }), {{"piece", 0, 0, 8, 4, 0, 4}});
		run("themes = { t = { skyColor = { r = 40, g = 80, b = 120 }, groundColor = { r = 255, g = 0, b = 255 },\n"
			"  fgLayers = { { 'pieces', 'piece', 1, 1, 0 } } } }\n"
			"screen = { x = 0, y = 0 }\n");
	}
};

TEST_F(LayerSeamsPixels, PiecesMeetAtEveryScaleAndOffset)
{
	struct Case
	{
		float worldScale, layerScale, parallax, left;
	};
	Case const cases[] = {
		{1.f, 1.f, 1.f, 0.f},
		{1.f, 1.f, 1.f, 0.3f},
		{0.75f, 1.f, 1.f, 5.61f},
		{1.3f, 1.f, 0.6f, -3.2f},
		{2.37f, 1.f, 0.3f, 17.9f},
		{0.5f, 1.7f, 1.f, 1.25f},
		{1.f, 2.5f, 0.25f, 100.4f},
		{0.43f, 0.9f, 0.8f, -61.7f},
	};
	for (Case const& c : cases)
	{
		std::string const label = "world scale " + std::to_string(c.worldScale) + ", layer scale " + std::to_string(c.layerScale) +
								  ", parallax " + std::to_string(c.parallax) + ", left " + std::to_string(c.left);
		// The ground line at row 40; the band is the 4 pixels of the piece
		// times both scales above it.
		float const top = -40.f / c.worldScale;
		run("themes.t.fgLayers[1][3] = " + std::to_string(c.parallax) + " themes.t.fgLayers[1][4] = " + std::to_string(c.layerScale) +
			" setTheme('t') setWorldScale(" + std::to_string(c.worldScale) + ") setTopLeft(" + std::to_string(c.left) + ", " +
			std::to_string(top) + ")");
		ctx().clear(0xFF285078u, true, true, false);
		run("drawForegroundNative()");
		ctx().flush();
		std::vector<unsigned char> const f = frame();
		int const bandTop = 40 - static_cast<int>(std::floor(4.f * c.worldScale * c.layerScale));
		int gaps = 0;
		for (int y = bandTop + 1; y < 40; ++y)
		{
			for (int x = 0; x < SIZE; ++x)
			{
				std::size_t const i = (std::size_t(y) * SIZE + x) * 4;
				RGBA const p = {f[i], f[i + 1], f[i + 2], f[i + 3]};
				if (!gles2test::near(CYAN, p))
				{
					if (++gaps <= 3)
						ADD_FAILURE() << label << ": pixel " << x << ", " << y << " is " << int(p[0]) << " " << int(p[1]) << " " << int(p[2]);
				}
			}
		}
		EXPECT_EQ(0, gaps) << label;
		// The sky above the band, the ground under it.
		EXPECT_TRUE(gles2test::near(SKY, px(SIZE / 2, bandTop - 2))) << label;
		EXPECT_EQ((RGBA{255, 0, 255, 255}), px(SIZE / 2, 41)) << label;
	}
}

} // namespace
