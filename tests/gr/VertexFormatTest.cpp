#include <gr/VertexFormat.h>
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using gr::VertexFormat;
using math::float4;

namespace
{

uint32_t floatBits(float f)
{
	uint32_t b;
	std::memcpy(&b, &f, 4);
	return b;
}

float bitsFloat(uint32_t b)
{
	float f;
	std::memcpy(&f, &b, 4);
	return f;
}

} // namespace

TEST(VertexFormat, SizesFollowAlignment)
{
	VertexFormat vf;
	vf.addPosition(VertexFormat::DF_V3_32F);
	vf.addDiffuse(VertexFormat::DF_V4_8);
	vf.addTextureCoordinate(VertexFormat::DF_V2_32F);
	EXPECT_EQ(24, vf.vertexSize());
	vf.setAlignEach(4);
	EXPECT_EQ(24, vf.vertexSize());
	vf.setAlignEach(16);
	EXPECT_EQ(48, vf.vertexSize());

	VertexFormat small;
	small.addPosition(VertexFormat::DF_V3_8);
	EXPECT_EQ(3, small.vertexSize());
	small.setAlignEach(4);
	EXPECT_EQ(4, small.vertexSize());

	// Alignment is not part of equality.
	VertexFormat a = small;
	a.setAlignEach(1);
	EXPECT_TRUE(a == small);
	a.setDataFormat(VertexFormat::DT_NORMAL, VertexFormat::DF_V3_16);
	EXPECT_FALSE(a == small);

	EXPECT_EQ(0, VertexFormat::getDataSize(VertexFormat::DataFormat(17)));
	EXPECT_EQ(8, VertexFormat::getDataSize(VertexFormat::DF_V4_16F));
	EXPECT_EQ(4, VertexFormat::getDataDim(VertexFormat::DF_V4_5551));
	EXPECT_EQ(8, VertexFormat::getDataSizeAligned(VertexFormat::DF_V3_16, 8));
}

TEST(VertexFormat, TextureLayersFillInOrder)
{
	VertexFormat vf;
	EXPECT_EQ(0, vf.textureCoordinates());
	vf.addTextureCoordinate(VertexFormat::DF_V2_32F);
	vf.addTextureCoordinate(VertexFormat::DF_V2_16F);
	EXPECT_EQ(2, vf.textureCoordinates());
	EXPECT_EQ(VertexFormat::DF_V2_16F, vf.getDataFormat(VertexFormat::DT_TEX1));
	// A gap ends the run of leading layers.
	VertexFormat gap;
	gap.setDataFormat(VertexFormat::DT_TEX1, VertexFormat::DF_V2_32F);
	EXPECT_EQ(0, gap.textureCoordinates());
	gap.addTextureCoordinate(VertexFormat::DF_V1_32F);
	EXPECT_EQ(2, gap.textureCoordinates());
	EXPECT_STREQ("DT_TEX3", VertexFormat::toString(VertexFormat::DT_TEX3));
	EXPECT_STREQ("DT_TANGENT", VertexFormat::toString(VertexFormat::DT_TANGENT));
}

TEST(VertexFormat, ElementConversions)
{
	struct Case
	{
		VertexFormat::DataFormat df;
		float4 in;
		float4 expected;
	};
	float const nan = std::numeric_limits<float>::quiet_NaN();
	Case const cases[] = {
		{VertexFormat::DF_V1_32F, {1.5f, 2, 3, 4}, {1.5f, 0, 0, 0}},
		{VertexFormat::DF_V2_32F, {1.5f, -2, 3, 4}, {1.5f, -2, 0, 0}},
		{VertexFormat::DF_V3_16, {1.9f, -2.7f, 300.5f, 9}, {1, -2, 300, 0}},
		// Cut to 16 and 8 bits after truncation; saturation at 32 bits first.
		{VertexFormat::DF_V4_16, {70000, -32769, 3e9f, nan}, {4464, 32767, -1, 0}},
		{VertexFormat::DF_V4_8, {200, -129, -1.9f, 127}, {-56, 127, -1, 127}},
		{VertexFormat::DF_V2_8, {-3e9f, 5, 1, 1}, {0, 5, 0, 0}},
		{VertexFormat::DF_V1_16, {-7.9f, 1, 1, 1}, {-7, 0, 0, 0}},
		{VertexFormat::DF_V3_8, {-128, 0.5f, 64, 1}, {-128, 0, 64, 0}},
		{VertexFormat::DF_V4_5551, {31, 1, 17, 1}, {31, 1, 17, 1}},
		{VertexFormat::DF_V4_5551, {33, 32, -1, 0}, {1, 0, 31, 0}},
		{VertexFormat::DF_V4_5551, {0, 0, 0, -2}, {0, 0, 0, 1}},
		{VertexFormat::DF_V4_16F, {0.5f, -2, 65504, 1e6f}, {0.5f, -2, 65504, INFINITY}},
		{VertexFormat::DF_V3_16F, {1.f / 3.f, 0, 0, 7}, {0.333251953125f, 0, 0, 0}},
	};
	for (Case const& c : cases)
	{
		unsigned char buf[16 + 2];
		std::memset(buf, 0xEE, sizeof(buf));
		// Odd address: elements in caller data need not be aligned.
		VertexFormat::setData(c.df, buf + 1, c.in);
		int const size = VertexFormat::getDataSize(c.df);
		EXPECT_EQ(0xEE, buf[0]);
		EXPECT_EQ(0xEE, buf[1 + size]) << "format " << c.df << " wrote past its size";
		float4 out(9, 9, 9, 9);
		VertexFormat::getData(c.df, buf + 1, &out);
		EXPECT_EQ(c.expected, out) << "format " << c.df << " got " << out.x << " " << out.y << " " << out.z << " " << out.w;
	}
}

TEST(VertexFormat, PackedBitLayouts)
{
	unsigned char b[8];
	VertexFormat::setData(VertexFormat::DF_V4_5551, b, float4(1, 2, 3, 1));
	uint16_t w;
	std::memcpy(&w, b, 2);
	EXPECT_EQ(0x8000 | 3 << 10 | 2 << 5 | 1, w);

	VertexFormat::setData(VertexFormat::DF_V2_16, b, float4(-2, 258, 0, 0));
	int16_t s[2];
	std::memcpy(s, b, 4);
	EXPECT_EQ(-2, s[0]);
	EXPECT_EQ(258, s[1]);

	VertexFormat::setData(VertexFormat::DF_V2_16F, b, float4(1, -0.f, 0, 0));
	uint16_t h[2];
	std::memcpy(h, b, 4);
	EXPECT_EQ(0x3C00, h[0]);
	EXPECT_EQ(0x8000, h[1]);
}

TEST(VertexFormat, HalfFloatEncoding)
{
	struct Case
	{
		float in;
		uint16_t expected;
	};
	Case const cases[] = {
		{65504.f, 0x7BFF},
		{1e6f, 0x7C00},
		{-1e6f, 0xFC00},
		{65520.f, 0x7C00},                      // rounds up past the largest finite value
		{1.f + 1.f / 2048.f, 0x3C01},           // half a unit rounds away from zero
		{1.f + 1.f / 4096.f, 0x3C00},
		{2047.f / 1024.f, 0x3FFF},
		{std::ldexp(1.f, -24), 0x0001},         // smallest subnormal
		{std::ldexp(1.f, -25), 0x0001},         // half of it rounds up
		{std::ldexp(1.f, -26), 0x0000},         // too small: +0
		{-std::ldexp(1.f, -26), 0x0000},
		{-std::ldexp(3.f, -24), 0x8003},
		{std::ldexp(1.f, -14) - std::ldexp(1.f, -26), 0x0400}, // carry into the smallest normal
		{INFINITY, 0x7C00},
		{-INFINITY, 0xFC00},
		{bitsFloat(0x7F800001), 0x7C01},        // NaN payload that would vanish is forced to 1
		{bitsFloat(0xFFC00000), 0xFE00},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.expected, VertexFormat::floatToHalf(c.in)) << "input bits " << std::hex << floatBits(c.in);
	EXPECT_EQ(std::ldexp(1.f, -24), VertexFormat::halfToFloat(0x0001));
	EXPECT_EQ(-65504.f, VertexFormat::halfToFloat(0xFBFF));
}

TEST(VertexFormat, AllHalfValuesRoundTrip)
{
	for (uint32_t h = 0; h <= 0xFFFF; ++h)
	{
		float const f = VertexFormat::halfToFloat(uint16_t(h));
		bool const isNan = (h & 0x7C00) == 0x7C00 && (h & 0x3FF) != 0;
		ASSERT_EQ(isNan, std::isnan(f)) << std::hex << h;
		ASSERT_EQ(h, VertexFormat::floatToHalf(f)) << std::hex << h;
	}
}

TEST(VertexFormat, CopyDataConvertsAndHonoursPitches)
{
	// Same format with pitches: element bytes only, gaps untouched.
	uint16_t src[6] = {1, 2, 0xAAAA, 3, 4, 0xAAAA};
	uint16_t dst[8];
	std::memset(dst, 0x55, sizeof(dst));
	VertexFormat::copyData(dst, 8, VertexFormat::DF_V2_16, src, 6, VertexFormat::DF_V2_16, 2);
	EXPECT_EQ(1, dst[0]);
	EXPECT_EQ(2, dst[1]);
	EXPECT_EQ(0x5555, dst[2]);
	EXPECT_EQ(3, dst[4]);
	EXPECT_EQ(4, dst[5]);
	EXPECT_EQ(0x5555, dst[6]);

	// Converting copy, packed source.
	float const in[6] = {1.9f, -2.7f, 300.5f, 4, 5, 6};
	int16_t out[6];
	VertexFormat::copyData(out, 6, VertexFormat::DF_V3_16, in, 12, VertexFormat::DF_V3_32F, 2);
	EXPECT_EQ(1, out[0]);
	EXPECT_EQ(-2, out[1]);
	EXPECT_EQ(300, out[2]);
	EXPECT_EQ(6, out[5]);

	// Narrower to wider: missing components come out as 0.
	float4 wide[1];
	int8_t const b[1] = {-5};
	VertexFormat::copyData(wide, 16, VertexFormat::DF_V4_32F, b, 1, VertexFormat::DF_V1_8, 1);
	EXPECT_EQ(float4(-5, 0, 0, 0), wide[0]);
}
