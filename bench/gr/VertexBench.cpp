#include <support/FakeContext.h>
#include <gr/DIPrimitive.h>
#include <gr/SortBuffer.h>
#include <gr/VertexFormat.h>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

using gr::VertexFormat;

namespace
{

// Converting copy of float3 positions into a binary16 stream and back.
void BM_CopyDataToHalf(benchmark::State& state)
{
	int const n = int(state.range(0));
	std::vector<float> src(size_t(n) * 3);
	for (size_t i = 0; i < src.size(); ++i)
		src[i] = float(i % 1000) * 0.37f;
	std::vector<unsigned short> dst(size_t(n) * 3);
	for (auto _ : state)
	{
		VertexFormat::copyData(dst.data(), 6, VertexFormat::DF_V3_16F, src.data(), 12, VertexFormat::DF_V3_32F, n);
		benchmark::DoNotOptimize(dst.data());
	}
	state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CopyDataToHalf)->Arg(4096);

void BM_CopyDataSameFormat(benchmark::State& state)
{
	int const n = int(state.range(0));
	std::vector<float> src(size_t(n) * 3, 1.f);
	std::vector<float> dst(size_t(n) * 3);
	for (auto _ : state)
	{
		VertexFormat::copyData(dst.data(), 12, VertexFormat::DF_V3_32F, src.data(), 12, VertexFormat::DF_V3_32F, n);
		benchmark::DoNotOptimize(dst.data());
	}
	state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CopyDataSameFormat)->Arg(4096);

// Back-to-front sort of a triangle list with a reused sort buffer.
void BM_SortBackToFront(benchmark::State& state)
{
	int const tris = int(state.range(0));
	VertexFormat vf;
	vf.addPosition(VertexFormat::DF_V3_32F);
	lang::Ptr<test::FakePrimitive> p = new test::FakePrimitive(std::make_shared<test::CallLog>(), "p", gr::Primitive::PRIM_TRI, vf, 3 * tris, 3 * tris);
	for (int t = 0; t < tris; ++t)
	{
		float const z = float((t * 7919) % tris);
		math::float4 const v[3] = {math::float4(0, 0, z, 1), math::float4(1, 0, z, 1), math::float4(0, 1, z, 1)};
		p->setVertexPositions(3 * t, v, 3);
		int const ix[3] = {3 * t, 3 * t + 1, 3 * t + 2};
		p->setIndices(3 * t, ix, 3);
	}
	gr::SortBuffer buffer;
	math::float4x4 const world(1.f);
	bool flip = false;
	for (auto _ : state)
	{
		// Alternate directions so that every pass really re-orders.
		if (flip)
			p->sortFrontToBack(math::float3(0, 0, -1), world, nullptr, 0, buffer);
		else
			p->sortBackToFront(math::float3(0, 0, -1), world, nullptr, 0, buffer);
		flip = !flip;
	}
	state.SetItemsProcessed(state.iterations() * tris);
}
BENCHMARK(BM_SortBackToFront)->Arg(1000)->Arg(20000);

} // namespace
