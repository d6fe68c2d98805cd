#include <gtest/gtest.h>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <math/RandomUtil.h>
#include <math/float2.h>
#include <math/float3.h>
#include <math/float3x4.h>
#include <math/float4.h>
#include <math/float4x4.h>

using math::float3;
using math::float3x4;
using math::float4;
using math::float4x4;

namespace
{

float const PI = 3.14159265358979f;

void expectNear(float4 const& expected, float4 const& actual)
{
	EXPECT_NEAR(expected.x, actual.x, 1e-5f);
	EXPECT_NEAR(expected.y, actual.y, 1e-5f);
	EXPECT_NEAR(expected.z, actual.z, 1e-5f);
	EXPECT_NEAR(expected.w, actual.w, 1e-5f);
}

float4x4 translation(float3 const& t)
{
	float4x4 m(1.f);
	m.setTranslation(t);
	return m;
}

float4x4 rotation(float3 const& axis, float angle)
{
	float4x4 m(1.f);
	m.setRotation(axis, angle);
	return m;
}

// Checks the words of the sequence (value x 2^32) at calls 1, 2, 3, 4096 and
// 4097 (the last one reuses the first lag slot) and exits with 0 when all match.
void checkFirstWordsAndExit()
{
	struct
	{
		int call;
		double word;
	} const expected[] = {
		{1, 1830212371.0}, {2, 3635526267.0}, {3, 2667792134.0}, {4096, 2487834058.0}, {4097, 1869470312.0}};
	int call = 0;
	for (auto const& e : expected)
	{
		double r = 0;
		while (call < e.call)
		{
			r = math::RandomUtil::random();
			++call;
		}
		if (r * 4294967296.0 != e.word)
		{
			fprintf(stderr, "call %d gave %.17g\n", e.call, r);
			std::exit(1);
		}
	}
	std::exit(0);
}

} // namespace

TEST(float4x4, storageIsRowAfterRowWithTranslationInColumn3)
{
	float4x4 m = translation(float3(1, 2, 3));
	EXPECT_EQ(1.f, m[3]);
	EXPECT_EQ(2.f, m[7]);
	EXPECT_EQ(3.f, m[11]);
	EXPECT_EQ(2.f, m(1, 3));
	float4x4 t = m.transpose();
	EXPECT_EQ(1.f, t[12]);
	EXPECT_EQ(3.f, t(3, 2));
	EXPECT_EQ(0.f, t[3]);
	expectNear(float4(11, 22, 33, 1), m.transform(float4(10, 20, 30, 1)));
	// Directions (w = 0) are not moved.
	expectNear(float4(10, 20, 30, 0), m.transform(float4(10, 20, 30, 0)));
}

TEST(float4x4, productAppliesTheRightOperandFirst)
{
	float4x4 const r = rotation(float3(0, 0, 1), PI / 2);
	float4x4 const t = translation(float3(10, 0, 0));
	float4 const p(1, 0, 0, 1);

	// Rotate first, then move: (0, 1) + (10, 0).
	expectNear(float4(10, 1, 0, 1), (t * r).transform(p));
	// Move first, then rotate: (11, 0) turned a quarter.
	expectNear(float4(0, 11, 0, 1), (r * t).transform(p));

	// The elements follow the sum over k of a(i, k) * b(k, j).
	float4x4 a, b;
	for (int i = 0; i < 16; ++i)
	{
		a[i] = float(i + 1);
		b[i] = float(i % 5) - 2.f;
	}
	float4x4 const ab = a * b;
	for (int i = 0; i < 4; ++i)
	{
		for (int j = 0; j < 4; ++j)
		{
			float sum = 0;
			for (int k = 0; k < 4; ++k)
				sum += a(i, k) * b(k, j);
			EXPECT_EQ(sum, ab(i, j)) << i << "," << j;
		}
	}
	float4x4 const reversed = b.transpose() * a.transpose();
	for (int i = 0; i < 16; ++i)
		EXPECT_EQ(ab.transpose()[i], reversed[i]);
}

TEST(float4x4, rotationTurnsCounterClockwiseAboutTheAxis)
{
	float4x4 m = rotation(float3(0, 0, 1), PI / 2);
	expectNear(float4(0, 1, 0, 1), m.transform(float4(1, 0, 0, 1)));

	// The axis is normalised first.
	m = rotation(float3(5, 0, 0), PI / 2);
	expectNear(float4(0, 0, 1, 1), m.transform(float4(0, 1, 0, 1)));

	// Rotating by a third of a turn about the diagonal cycles the axes.
	m = rotation(float3(1, 1, 1), 2 * PI / 3);
	expectNear(float4(0, 1, 0, 0), m.transform(float4(1, 0, 0, 0)));

	// Translation and the fourth row are left as they were.
	m = translation(float3(7, 8, 9));
	m.setRotation(float3(0, 1, 0), 1.f);
	EXPECT_EQ(7.f, m[3]);
	EXPECT_EQ(8.f, m[7]);
	EXPECT_EQ(9.f, m[11]);
	EXPECT_EQ(1.f, m[15]);
	// And setting a translation keeps the rotation.
	float4x4 r = rotation(float3(0, 1, 0), 1.f);
	r.setTranslation(float3(1, 2, 3));
	for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10})
		EXPECT_EQ(m[i], r[i]);
}

TEST(float4x4, perspectiveMapsNearAndFarPlanesTo0And1)
{
	float4x4 m(1.f);
	m.setPerspectiveProjection(PI / 2, 1.f, 100.f, 4.f / 3.f);

	float4 const nearPoint = m.transform(float4(0, 0, 1, 1));
	EXPECT_FLOAT_EQ(1.f, nearPoint.w);
	EXPECT_NEAR(0.f, nearPoint.z, 1e-6f);

	float4 const farPoint = m.transform(float4(0, 0, 100, 1));
	EXPECT_FLOAT_EQ(100.f, farPoint.w);
	EXPECT_FLOAT_EQ(1.f, farPoint.z / farPoint.w);

	// A 90 degree field of view puts x = z on the right edge; y scales by the aspect.
	float4 const edge = m.transform(float4(10, 7.5f, 10, 1));
	EXPECT_FLOAT_EQ(1.f, edge.x / edge.w);
	EXPECT_FLOAT_EQ(1.f, edge.y / edge.w);

	// Everything else of the identity is overwritten.
	EXPECT_EQ(0.f, m[15]);
	EXPECT_EQ(1.f, m[14]);
}

TEST(float4x4, degenerateInputsAreFatal)
{
#ifdef NDEBUG
	FAIL() << "NDEBUG is defined: this build has no assertions";
#endif
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	float4x4 m(1.f);
	EXPECT_DEATH(m.setRotation(float3(0, 0, 0), 1.f), "axis.length\\(\\) > FLT_MIN");
	EXPECT_DEATH(m.setPerspectiveProjection(1.f, 10.f, 10.f, 1.f), "\\(back-front\\) > FLT_MIN");
	float4 v(1, 2, 3, 4);
	EXPECT_DEATH(m.transform(v, &v), "&v != v1");
}

TEST(float3x4, identityAndAffineTransform)
{
	float3x4 m(1.f);
	float3 const p = m.transform(float3(1, 2, 3));
	EXPECT_EQ(float3(1, 2, 3), p);
	m[3] = 10;
	m(1, 0) = 1;
	EXPECT_EQ(float3(11, 3, 3), m.transform(float3(1, 2, 3)));
}

TEST(float4, finiteAndComponentAccess)
{
	float const inf = std::numeric_limits<float>::infinity();
	float const nan = std::numeric_limits<float>::quiet_NaN();
	EXPECT_TRUE(float4(FLT_MAX, -FLT_MAX, 0, 1).finite());
	EXPECT_FALSE(float4(inf, 0, 0, 0).finite());
	EXPECT_FALSE(float4(0, -inf, 0, 0).finite());
	EXPECT_FALSE(float4(0, 0, nan, 0).finite());
	EXPECT_FALSE(float4(0, 0, 0, nan).finite());

	float4 const v(float3(math::float2(1, 2), 3), 4);
	EXPECT_EQ(float3(1, 2, 3), v.xyz());
	EXPECT_EQ(4.f, v.w);
	EXPECT_FLOAT_EQ(5.f, float3(3, 4, 0).length());
	EXPECT_EQ(32.f, float3(1, 2, 3).dot(float3(4, 5, 6)));
	EXPECT_EQ(float4(2, 4, 6, 8), v * 2.f);
	EXPECT_EQ(float4(0, 0, 0, 0), v - v);
}

TEST(RandomUtil, staysInTheUnitIntervalAndSpreads)
{
	// A fresh process always produces the same sequence: the child of this
	// check starts the test over, so its calls are the first ones.
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT(checkFirstWordsAndExit(), testing::ExitedWithCode(0), "");

	double sum = 0;
	double lo = 1;
	double hi = 0;
	int const n = 20000;
	for (int i = 0; i < n; ++i)
	{
		double r = math::RandomUtil::random();
		ASSERT_GE(r, 0.0);
		ASSERT_LT(r, 1.0);
		sum += r;
		lo = std::min(lo, r);
		hi = std::max(hi, r);
	}
	EXPECT_NEAR(0.5, sum / n, 0.02);
	EXPECT_LT(lo, 0.01);
	EXPECT_GT(hi, 0.99);
}
