// Nine-part boxes drawn by the host on the headless ES 2.0 context, read
// back pixel by pixel: corners, edges and interior meet without gaps.
#include "HostPixelFixture.h"

using gles2test::BLACK;
using gles2test::BLUE;
using gles2test::GREEN;
using gles2test::RED;
using gles2test::RGBA;
using gles2test::WHITE;

namespace
{

/**
 * A box sheet of 16 x 16 cells (red corners, green edges, blue centre); each
 * part is the cell's middle 8 x 8, so that a stretched part never samples a
 * neighbour.
 */
class ScriptDrawingPixels : public hostgltest::HostPixelFixture
{
protected:
	void SetUp() override
	{
		HostPixelFixture::SetUp();
		addSheet("box", makeImage(48, 48, [](int x, int y) {
			bool const edgeColumn = x / 16 == 1, edgeRow = y / 16 == 1;
			return edgeColumn && edgeRow ? BLUE : edgeColumn || edgeRow ? GREEN : RED;
		}),
			{{"tl", 4, 4, 8, 8, 0, 0}, {"tm", 20, 4, 8, 8, 0, 0}, {"tr", 36, 4, 8, 8, 0, 0}, {"l", 4, 20, 8, 8, 0, 0},
				{"c", 20, 20, 8, 8, 0, 0}, {"r", 36, 20, 8, 8, 0, 0}, {"bl", 4, 36, 8, 8, 0, 0}, {"bm", 20, 36, 8, 8, 0, 0},
				{"br", 36, 36, 8, 8, 0, 0}});
		run("parts = { topLeft = 'tl', topMiddle = 'tm', topRight = 'tr', left = 'l', center = 'c', right = 'r',"
			" bottomLeft = 'bl', bottomMiddle = 'bm', bottomRight = 'br' }");
	}
};

TEST_F(ScriptDrawingPixels, NinePartBoxCoversItsRectangle)
{
	// Centred on 32, 32: the box covers 8 to 55, its interior 16 to 47.
	run("drawBoxNative(parts, 32, 32, 48, 48, 'HCENTER', 'VCENTER')");
	ctx().flush();
	struct Probe
	{
		int x, y;
		RGBA colour;
	} const probes[] = {
		{8, 8, RED}, {15, 15, RED}, {55, 8, RED}, {8, 55, RED}, {55, 55, RED},
		{16, 8, GREEN}, {47, 15, GREEN}, {8, 16, GREEN}, {55, 47, GREEN}, {32, 55, GREEN},
		{16, 16, BLUE}, {47, 47, BLUE}, {32, 32, BLUE},
		{7, 7, BLACK}, {56, 32, BLACK}, {32, 56, BLACK},
	};
	for (Probe const& p : probes)
		EXPECT_TRUE(gles2test::near(p.colour, px(p.x, p.y))) << p.x << ", " << p.y;

	// A colour table fills the interior instead of the centre part.
	run("drawBoxNative(parts, 8, 8, 48, 48, 'LEFT', 'TOP', { red = 1, green = 1, blue = 1 })");
	ctx().flush();
	EXPECT_TRUE(gles2test::near(WHITE, px(16, 16)));
	EXPECT_TRUE(gles2test::near(WHITE, px(47, 47)));
	EXPECT_TRUE(gles2test::near(GREEN, px(32, 15)));
}

} // namespace
