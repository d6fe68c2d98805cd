#include <support/FakeContext.h>
#include <gr/DIPrimitive.h>
#include <gr/SortBuffer.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

using gr::Primitive;
using gr::VertexFormat;
using math::float3;
using math::float4;
using math::float4x4;

namespace
{

lang::Ptr<test::FakePrimitive> makePrimitive(Primitive::PrimType type, VertexFormat const& vf, int vertices, int indices)
{
	return new test::FakePrimitive(std::make_shared<test::CallLog>(), "p", type, vf, vertices, indices);
}

VertexFormat positionsOnly()
{
	VertexFormat vf;
	vf.addPosition(VertexFormat::DF_V3_32F);
	return vf;
}

/** Value of component c of type dt at vertex v: exact in every storage format. */
float pattern(int dt, int v, int c)
{
	if (c == 3)
		return float((dt + v) % 2);
	return float((dt * 5 + v * 11 + c * 3) % 32);
}

std::vector<int> indicesOf(gr::DIPrimitive& p)
{
	std::vector<int> out(p.indices());
	p.getIndices(0, out.data(), p.indices());
	return out;
}

/** A triangle list with one triangle per centroid x (spread sideways by the given amount). */
lang::Ptr<test::FakePrimitive> trianglesAt(std::vector<std::pair<float3, float>> const& tris)
{
	int const n = int(tris.size());
	auto p = makePrimitive(Primitive::PRIM_TRI, positionsOnly(), 3 * n, 3 * n);
	for (int t = 0; t < n; ++t)
	{
		float3 const c = tris[t].first;
		float const s = tris[t].second;
		float4 const v[3] = {float4(c.x - s, c.y, c.z, 1), float4(c.x + s, c.y, c.z, 1), float4(c.x, c.y, c.z, 1)};
		p->setVertexPositions(3 * t, v, 3);
		int const ix[3] = {3 * t, 3 * t + 1, 3 * t + 2};
		p->setIndices(3 * t, ix, 3);
	}
	return p;
}

/** Triangle numbers in index-list order (triangle t uses vertices 3t..3t+2). */
std::vector<int> triangleOrder(gr::DIPrimitive& p)
{
	std::vector<int> ix = indicesOf(p);
	std::vector<int> order;
	for (size_t i = 0; i < ix.size(); i += 3)
	{
		EXPECT_EQ(ix[i] + 1, ix[i + 1]);
		EXPECT_EQ(ix[i] + 2, ix[i + 2]);
		order.push_back(ix[i] / 3);
	}
	return order;
}

} // namespace

TEST(DIPrimitive, EveryComponentInEveryFormatRoundTrips)
{
	int const vertices = 7;
	int const indices = 9;
	int const alignments[] = {1, 2, 4, 8, 16};
	for (int align : alignments)
	{
		for (int shift = 0; shift < 15; ++shift)
		{
			VertexFormat vf;
			for (int dt = 0; dt < VertexFormat::DT_SIZE; ++dt)
				vf.setDataFormat(VertexFormat::DataType(dt), VertexFormat::DataFormat((dt + shift) % 15 + 1));
			vf.setAlignEach(align);
			auto p = makePrimitive(Primitive::PRIM_LINE, vf, vertices, indices);

			// Streams are aligned, sized by the aligned element, and disjoint.
			std::vector<std::pair<uintptr_t, uintptr_t>> ranges;
			for (int dt = 0; dt < VertexFormat::DT_SIZE; ++dt)
			{
				unsigned char* data = nullptr;
				int pitch = 0;
				p->getVertexDataPtr(VertexFormat::DataType(dt), &data, &pitch);
				ASSERT_NE(nullptr, data);
				EXPECT_EQ(0u, uintptr_t(data) % 16);
				EXPECT_EQ(VertexFormat::getDataSizeAligned(vf.getDataFormat(VertexFormat::DataType(dt)), align), pitch);
				ranges.push_back({uintptr_t(data), uintptr_t(data) + uintptr_t(pitch) * vertices});
			}
			unsigned short* ix = nullptr;
			int ipitch = 0;
			p->getIndexDataPtr(&ix, &ipitch);
			EXPECT_EQ(2, ipitch);
			ranges.push_back({uintptr_t(ix), uintptr_t(ix + indices)});
			std::sort(ranges.begin(), ranges.end());
			for (size_t i = 1; i < ranges.size(); ++i)
				EXPECT_LE(ranges[i - 1].second, ranges[i].first);

			// Write everything first, then read everything back.
			for (int dt = 0; dt < VertexFormat::DT_SIZE; ++dt)
				for (int v = 0; v < vertices; ++v)
				{
					float4 const value(pattern(dt, v, 0), pattern(dt, v, 1), pattern(dt, v, 2), pattern(dt, v, 3));
					p->setVertexData(VertexFormat::DataType(dt), v, &value, VertexFormat::DF_V4_32F, 1);
				}
			int const written[indices] = {6, 0, 5, 1, 4, 2, 3, 6, 0};
			p->setIndices(0, written, indices);

			for (int dt = 0; dt < VertexFormat::DT_SIZE; ++dt)
			{
				int const dim = VertexFormat::getDataDim(vf.getDataFormat(VertexFormat::DataType(dt)));
				float4 out[vertices];
				p->getVertexData(VertexFormat::DataType(dt), 0, out, vertices);
				for (int v = 0; v < vertices; ++v)
				{
					float const* got = &out[v].x;
					for (int c = 0; c < 4; ++c)
						ASSERT_EQ(c < dim ? pattern(dt, v, c) : 0.f, got[c]) << "align " << align << " type " << dt << " format "
																			   << vf.getDataFormat(VertexFormat::DataType(dt)) << " vertex " << v << " component " << c;
				}
			}
			EXPECT_EQ(std::vector<int>(written, written + indices), indicesOf(*p));
		}
	}
}

TEST(DIPrimitive, TypedAccessorsUseTheirStreams)
{
	VertexFormat vf;
	vf.addPosition(VertexFormat::DF_V3_16);
	vf.setDataFormat(VertexFormat::DT_NORMAL, VertexFormat::DF_V3_32F);
	vf.addTextureCoordinate(VertexFormat::DF_V2_32F);
	vf.addTextureCoordinate(VertexFormat::DF_V2_16F);
	auto p = makePrimitive(Primitive::PRIM_POINT, vf, 2, 0);

	float4 const pos[2] = {float4(1.9f, -2.7f, 300.5f, 1), float4(4, 5, 6, 1)};
	p->setVertexPositions(0, pos, 2);
	int16_t raw[3];
	unsigned char* data = nullptr;
	int pitch = 0;
	p->getVertexDataPtr(VertexFormat::DT_POSITION, &data, &pitch);
	std::memcpy(raw, data, 6);
	EXPECT_EQ(1, raw[0]);
	EXPECT_EQ(-2, raw[1]);
	EXPECT_EQ(300, raw[2]);

	float4 const n(0, 0, 1, 0);
	p->setVertexNormals(1, &n, 1);
	float4 const uv(0.25f, 0.75f, 0, 0);
	p->setVertexTextureCoordinates(1, 1, &uv, 1);

	float4 out[2];
	p->getVertexPositions(0, out, 2);
	EXPECT_EQ(float4(4, 5, 6, 0), out[1]);
	p->getVertexNormals(1, out, 1);
	EXPECT_EQ(n, out[0]);
	p->getVertexTextureCoordinates(0, 1, out, 2);
	EXPECT_EQ(float4(), out[0]);
	EXPECT_EQ(uv, out[1]);
	p->getVertexTextureCoordinates(1, 0, out, 1);
	EXPECT_EQ(float4(), out[0]);
}

TEST(DIPrimitive, IndexDataWidthsAndCounts)
{
	auto p = makePrimitive(Primitive::PRIM_TRI, positionsOnly(), 300, 6);
	unsigned char const bytes[3] = {200, 0, 255};
	p->setIndexData(0, bytes, 1, 3);
	uint32_t const words[2] = {65535, 7};
	p->setIndexData(3, words, 4, 2);
	uint16_t const shorts[1] = {299};
	p->setIndexData(5, shorts, 2, 1);
	EXPECT_EQ((std::vector<int>{200, 0, 255, 65535, 7, 299}), indicesOf(*p));
	EXPECT_EQ(0, p->indexRangeBegin());
	EXPECT_EQ(6, p->indexRangeEnd());
	EXPECT_EQ(300, p->vertexRangeEnd());

	uint32_t const tooWide[1] = {70000};
	EXPECT_DEBUG_DEATH(p->setIndexData(0, tooWide, 4, 1), "");

	// The largest triangle list fits; counts that are not multiples of 3
	// or do not fit 16 bits are refused.
	EXPECT_EQ(65535, makePrimitive(Primitive::PRIM_TRI, positionsOnly(), 3, 65535)->indices());
	EXPECT_DEBUG_DEATH(makePrimitive(Primitive::PRIM_TRI, positionsOnly(), 3, 65538), "indices % 3 == 0");
	EXPECT_DEBUG_DEATH(makePrimitive(Primitive::PRIM_TRI, positionsOnly(), 3, 100), "indices % 3 == 0");

	// Other kinds keep their full index count.
	auto lines = makePrimitive(Primitive::PRIM_LINE, positionsOnly(), 4, 70000);
	EXPECT_EQ(70000, lines->indices());
	EXPECT_EQ(70000, lines->indexRangeEnd());
	int const last[2] = {3, 2};
	lines->setIndices(69998, last, 2);
	int back[2];
	lines->getIndices(69998, back, 2);
	EXPECT_EQ(3, back[0]);
	EXPECT_EQ(2, back[1]);
}

TEST(DIPrimitive, DrawRangesStayInsideTheData)
{
	auto p = makePrimitive(Primitive::PRIM_TRI, positionsOnly(), 4, 6);
	p->setVertexRangeBegin(1);
	p->setVertexRangeEnd(3);
	p->setIndexRangeBegin(3);
	p->setIndexRangeEnd(6);
	// Ranges past the data are refused and leave the old range in place.
	EXPECT_DEBUG_DEATH(p->setVertexRangeBegin(4), "begin >= 0");
	EXPECT_DEBUG_DEATH(p->setVertexRangeEnd(5), "end >= 0");
	EXPECT_DEBUG_DEATH(p->setIndexRangeBegin(-1), "begin >= 0");
	EXPECT_DEBUG_DEATH(p->setIndexRangeEnd(7), "end >= 0");
	EXPECT_EQ(1, p->vertexRangeBegin());
	EXPECT_EQ(3, p->vertexRangeEnd());
	EXPECT_EQ(3, p->indexRangeBegin());
	EXPECT_EQ(6, p->indexRangeEnd());
}

TEST(DIPrimitive, SetFormatDiscardsOldData)
{
	auto p = makePrimitive(Primitive::PRIM_TRI, positionsOnly(), 3, 3);
	unsigned char const bones[2] = {4, 9};
	p->setUsedBones(bones, 2);
	p->setVertexRangeBegin(1);
	VertexFormat vf = positionsOnly();
	vf.addDiffuse(VertexFormat::DF_V4_8);
	p->setFormat(vf, 6, 0);
	EXPECT_EQ(6, p->vertices());
	EXPECT_EQ(0, p->indices());
	EXPECT_EQ(0, p->usedBones());
	EXPECT_EQ(nullptr, p->usedBoneArray());
	EXPECT_EQ(0, p->vertexRangeBegin());
	EXPECT_TRUE(p->vertexFormat() == vf);
	float4 c[6];
	p->getVertexDiffuseColors(0, c, 6);
	EXPECT_EQ(float4(), c[5]);
}

TEST(DIPrimitive, PackBonesKeepsOnlyWeightedBones)
{
	VertexFormat vf = positionsOnly();
	vf.setDataFormat(VertexFormat::DT_BONEWEIGHTS, VertexFormat::DF_V4_32F);
	vf.setDataFormat(VertexFormat::DT_BONEINDICES, VertexFormat::DF_V4_8);
	auto p = makePrimitive(Primitive::PRIM_POINT, vf, 2, 0);
	float4 const weights[2] = {float4(0.5f, 0.5f, 0, 0), float4(1, 0, 0, 0)};
	float4 const bones[2] = {float4(7, 3, 9, 0), float4(3, 9, 0, 0)};
	p->setVertexBoneWeights(0, weights, 2);
	p->setVertexBoneIndices(0, bones, 2);
	p->packBones();

	ASSERT_EQ(2, p->usedBones());
	EXPECT_EQ(3, p->usedBoneArray()[0]);
	EXPECT_EQ(7, p->usedBoneArray()[1]);
	float4 out[2];
	p->getVertexBoneIndices(0, out, 2);
	EXPECT_EQ(float4(1, 0, 0, 0), out[0]);
	EXPECT_EQ(float4(0, 0, 0, 0), out[1]);

	// A primitive without bone indices has nothing to pack.
	auto plain = makePrimitive(Primitive::PRIM_POINT, positionsOnly(), 1, 0);
	plain->packBones();
	EXPECT_EQ(0, plain->usedBones());
}

TEST(DIPrimitive, ScaleBiasesAndBound)
{
	auto p = makePrimitive(Primitive::PRIM_POINT, positionsOnly(), 1, 0);
	EXPECT_EQ(float4(1, 0, 0, 0), p->vertexPositionScaleBias());
	EXPECT_TRUE(p->vertexTextureCoordinateScaleBiasIsIdentity());
	p->setVertexTextureCoordinateScaleBias(float4(1, -0.f, 0, -0.f));
	EXPECT_TRUE(p->vertexTextureCoordinateScaleBiasIsIdentity());
	p->setVertexTextureCoordinateScaleBias(float4(2, 0, 0.5f, 0));
	EXPECT_FALSE(p->vertexTextureCoordinateScaleBiasIsIdentity());
	EXPECT_EQ(float4(2, 0, 0.5f, 0), p->vertexTextureCoordinateScaleBias());
	p->setVertexTextureCoordinateScaleBias(float4(1, 0, 0, std::numeric_limits<float>::quiet_NaN()));
	EXPECT_FALSE(p->vertexTextureCoordinateScaleBiasIsIdentity());
	p->setBound(float3(-1, -2, -3), float3(1, 2, 3), 4);
	EXPECT_EQ(-2.f, p->boundMin().y);
	EXPECT_EQ(3.f, p->boundMax().z);
	EXPECT_EQ(4.f, p->boundRadius());
}

TEST(DIPrimitive, DistanceSortsOrderTriangles)
{
	// Centroids at z = 1, 3, 2, 4 from a camera at the origin.
	std::vector<std::pair<float3, float>> const tris = {{float3(0, 0, 1), 1}, {float3(0, 0, 3), 1}, {float3(0, 0, 2), 1}, {float3(0, 0, 4), 1}};
	float4x4 const identity(1.f);
	gr::SortBuffer buffer;

	auto p = trianglesAt(tris);
	p->sortFrontToBack(float3(0, 0, 0), identity, nullptr, 0, buffer);
	EXPECT_EQ((std::vector<int>{0, 2, 1, 3}), triangleOrder(*p));
	EXPECT_TRUE(buffer.guardIntact());

	p = trianglesAt(tris);
	p->sortBackToFront(float3(0, 0, 0), identity, nullptr, 0, buffer);
	EXPECT_EQ((std::vector<int>{3, 1, 2, 0}), triangleOrder(*p));
	EXPECT_TRUE(buffer.guardIntact());

	// The world transform places the centroids: mirrored in z, the camera
	// at z = -4 sees the last triangle nearest.
	float4x4 mirror(1.f);
	mirror(2, 2) = -1.f;
	p = trianglesAt(tris);
	p->sortFrontToBack(float3(0, 0, -4), mirror, nullptr, 0, buffer);
	EXPECT_EQ((std::vector<int>{3, 1, 2, 0}), triangleOrder(*p));

	// Two triangles at squared distances 4 and 9.
	p = trianglesAt({{float3(2, 0, 0), 1}, {float3(0, 3, 0), 1}});
	p->sortBackToFront(float3(0, 0, 0), identity, nullptr, 0, buffer);
	EXPECT_EQ((std::vector<int>{1, 0}), triangleOrder(*p));
	p->sortFrontToBack(float3(0, 0, 0), identity, nullptr, 0, buffer);
	EXPECT_EQ((std::vector<int>{0, 1}), triangleOrder(*p));
	EXPECT_TRUE(buffer.guardIntact());
}

TEST(DIPrimitive, CentreSortsOrderTriangles)
{
	// The box around all vertices is -7..7 in x: centre 0, so the squared
	// distances are 1, 36, 4 and 16.
	std::vector<std::pair<float3, float>> const tris = {{float3(1, 0, 0), 1}, {float3(6, 0, 0), 1}, {float3(-2, 0, 0), 1}, {float3(-4, 0, 0), 3}};
	gr::SortBuffer buffer;
	auto p = trianglesAt(tris);
	EXPECT_EQ(0.f, p->center().x);
	p->sortInsideOut(buffer);
	EXPECT_EQ((std::vector<int>{0, 2, 3, 1}), triangleOrder(*p));
	p = trianglesAt(tris);
	p->sortOutsideIn(buffer);
	EXPECT_EQ((std::vector<int>{1, 3, 2, 0}), triangleOrder(*p));
	EXPECT_TRUE(buffer.guardIntact());
}

TEST(DIPrimitive, SortSurvivesNaNAndNonIndexedGeometry)
{
	float const nan = std::numeric_limits<float>::quiet_NaN();
	std::vector<std::pair<float3, float>> tris;
	for (int t = 0; t < 40; ++t)
		tris.push_back({float3(float((t * 7) % 13), t % 3 == 0 ? nan : 0.f, 0), 1});
	gr::SortBuffer buffer;
	for (bool backToFront : {false, true})
	{
		auto p = trianglesAt(tris);
		if (backToFront)
			p->sortBackToFront(float3(0, 0, 0), float4x4(1.f), nullptr, 0, buffer);
		else
			p->sortFrontToBack(float3(0, 0, 0), float4x4(1.f), nullptr, 0, buffer);
		std::vector<int> order = triangleOrder(*p);
		// Every triangle is still there once; the NaN ones come last.
		std::vector<int> sorted = order;
		std::sort(sorted.begin(), sorted.end());
		for (int t = 0; t < 40; ++t)
			ASSERT_EQ(t, sorted[t]);
		for (int i = 0; i < 26; ++i)
			EXPECT_NE(0, order[i] % 3) << "position " << i;
		EXPECT_TRUE(buffer.guardIntact());
	}

	// Without indices there is nothing to re-order.
	auto plain = makePrimitive(Primitive::PRIM_TRI, positionsOnly(), 6, 0);
	plain->sortBackToFront(float3(0, 0, 0), float4x4(1.f), nullptr, 0, buffer);
	plain->sortInsideOut(buffer);
	EXPECT_EQ(0, plain->indices());
}

TEST(DIPrimitive, SkinnedDistanceBlendsTwoBones)
{
	VertexFormat vf = positionsOnly();
	vf.setDataFormat(VertexFormat::DT_BONEWEIGHTS, VertexFormat::DF_V1_32F);
	vf.setDataFormat(VertexFormat::DT_BONEINDICES, VertexFormat::DF_V2_8);
	auto p = makePrimitive(Primitive::PRIM_TRI, vf, 3, 3);
	float4 const pos[3] = {float4(1, 0, 0, 1), float4(0, 1, 0, 1), float4(0, 0, 1, 1)};
	float4 const w[3] = {float4(0.25f, 0, 0, 0), float4(0.25f, 0, 0, 0), float4(0.25f, 0, 0, 0)};
	float4 const ix[3] = {float4(0, 1, 0, 0), float4(0, 1, 0, 0), float4(0, 1, 0, 0)};
	p->setVertexPositions(0, pos, 3);
	p->setVertexBoneWeights(0, w, 3);
	p->setVertexBoneIndices(0, ix, 3);
	int const indices[3] = {0, 1, 2};
	p->setIndices(0, indices, 3);

	float4x4 bones[2] = {float4x4(1.f), float4x4(1.f)};
	bones[0][12] = 4.f;
	bones[1][14] = 8.f;
	// Every vertex moves by 0.25 * (4, 0, 0) + 0.75 * (0, 0, 8); the world
	// transform is not applied to skinned geometry.
	unsigned short order[1];
	float distance[1];
	p->getTriangleDistances(float3(0, 0, 0), float4x4(100.f), bones, 2, order, distance, 1);
	EXPECT_EQ(0, order[0]);
	EXPECT_NEAR(42.f, distance[0], 1e-4f);

	// Unskinned: the world transform applies to the centroid.
	p->getTriangleDistances(float3(0, 0, 0), float4x4(3.f), nullptr, 0, order, distance, 1);
	EXPECT_NEAR(3.f + 4.f, distance[0], 1e-4f); // (1,1,1) and w = 3 against the camera's w = 1
}
