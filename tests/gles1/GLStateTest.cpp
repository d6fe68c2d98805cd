#include "Gles1TestSupport.h"
#include <gr/gl/gles1/GL1_State.h>

using gr::gles1::GL_State;
using gles1test::getInt;

namespace
{

class GLStateTest : public gles1test::Gles1Fixture
{
};

// A matrix with distinct elements, so that a transposition shows.
math::float4x4 countingMatrix(float base)
{
	math::float4x4 m;
	for (int i = 0; i < 16; ++i)
		m[i] = base + float(i);
	return m;
}

std::array<float, 16> glMatrix(GLenum pname)
{
	std::array<float, 16> v = {};
	glGetFloatv(pname, v.data());
	return v;
}

std::array<float, 16> transposed(math::float4x4 const& m)
{
	std::array<float, 16> v = {};
	for (int r = 0; r < 4; ++r)
		for (int c = 0; c < 4; ++c)
			v[4 * c + r] = m(r, c);
	return v;
}

TEST_F(GLStateTest, ForcedBeginSendsScalarStatesButNotCapabilities)
{
	// Change the GL behind the shadow's back.
	glCullFace(GL_FRONT);
	glDepthMask(GL_FALSE);
	glDepthFunc(GL_ALWAYS);
	glBlendFunc(GL_ZERO, GL_ONE);
	glDisable(GL_DEPTH_TEST);

	GL_State().begin(false);
	EXPECT_EQ(GL_FRONT, getInt(GL_CULL_FACE_MODE)) << "unforced: the shadow already agrees";
	EXPECT_EQ(GL_ALWAYS, getInt(GL_DEPTH_FUNC));

	GL_State().begin(true);
	EXPECT_EQ(GL_BACK, getInt(GL_CULL_FACE_MODE));
	EXPECT_EQ(GL_TRUE, getInt(GL_DEPTH_WRITEMASK));
	EXPECT_EQ(GL_LESS, getInt(GL_DEPTH_FUNC));
	EXPECT_EQ(GL_ONE, getInt(GL_BLEND_SRC));
	EXPECT_EQ(GL_ZERO, getInt(GL_BLEND_DST));
	EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST)) << "capabilities are never forced";
}

TEST_F(GLStateTest, SettersSkipWhatTheShadowHolds)
{
	GL_State::viewport(1, 2, 30, 40);
	glViewport(0, 0, 5, 5);
	GL_State::viewport(1, 2, 30, 40);
	GLint vp[4] = {};
	glGetIntegerv(GL_VIEWPORT, vp);
	EXPECT_EQ(5, vp[2]) << "second viewport call skipped";

	// A new destination factor with the same source factor is a change.
	GL_State::blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
	GL_State::blendFunc(GL_SRC_ALPHA, GL_ONE);
	EXPECT_EQ(GL_ONE, getInt(GL_BLEND_DST));

	// A negative scissor width reaches the GL as 0.
	GL_State::scissor(3, 4, -7, 9);
	GLint box[4] = {};
	glGetIntegerv(GL_SCISSOR_BOX, box);
	EXPECT_EQ(3, box[0]);
	EXPECT_EQ(0, box[2]);
	EXPECT_EQ(9, box[3]);

	// After reset the shadow believes the defaults, whatever the GL holds.
	GL_State::depthMask(false);
	GL_State::reset();
	GL_State::depthMask(true);
	EXPECT_EQ(GL_FALSE, getInt(GL_DEPTH_WRITEMASK));

	// Dithering is assumed off: enabling calls the GL, disabling a fresh shadow does not.
	glDisable(GL_DITHER);
	GL_State::enable(GL_DITHER);
	EXPECT_TRUE(glIsEnabled(GL_DITHER));
	glEnable(GL_DITHER);
	GL_State::reset();
	GL_State::disable(GL_DITHER);
	EXPECT_TRUE(glIsEnabled(GL_DITHER));
}

TEST_F(GLStateTest, TexturingIsTrackedPerUnit)
{
	GL_State::activeTexture(GL_TEXTURE2);
	GL_State::enable(GL_TEXTURE_2D);
	EXPECT_TRUE(GL_State::sm_current.m_caps[0x0DE3]);
	EXPECT_FALSE(GL_State::sm_current.m_caps[0x0DE1]);
	EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

	GL_State::activeTexture(GL_TEXTURE0);
	EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
	GL_State::enable(GL_TEXTURE_2D);
	EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "unit 0 has its own key";

	// Client arrays of texture coordinates likewise, per client-active unit.
	GL_State::clientActiveTexture(GL_TEXTURE1);
	GL_State::enableClientState(GL_TEXTURE_COORD_ARRAY);
	GL_State::clientActiveTexture(GL_TEXTURE0);
	EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
	GL_State::enableClientState(GL_TEXTURE_COORD_ARRAY);
	EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
	GL_State::disableClientState(GL_TEXTURE_COORD_ARRAY);
	GL_State::clientActiveTexture(GL_TEXTURE1);
	EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
	GL_State::disableClientState(GL_TEXTURE_COORD_ARRAY);
	EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

TEST_F(GLStateTest, MatrixCacheIsKeptPerModeAndUnitAndLoadsTransposed)
{
	math::float4x4 const m = countingMatrix(1.f);

	GL_State::matrixMode(GL_PROJECTION);
	GL_State::loadMatrixf(m);
	EXPECT_EQ(GL_PROJECTION, getInt(GL_MATRIX_MODE));
	EXPECT_EQ(transposed(m), glMatrix(GL_PROJECTION_MATRIX));

	// The same matrix again: no GL call at all, not even the mode.
	glLoadIdentity();
	glMatrixMode(GL_MODELVIEW);
	GL_State::loadMatrixf(m);
	EXPECT_EQ(GL_MODELVIEW, getInt(GL_MATRIX_MODE));
	glMatrixMode(GL_PROJECTION);
	EXPECT_EQ(transposed(math::float4x4(1.f)), glMatrix(GL_PROJECTION_MATRIX));

	// The model-view cache is separate: the same matrix loads there.
	GL_State::matrixMode(GL_MODELVIEW);
	GL_State::loadMatrixf(m);
	EXPECT_EQ(transposed(m), glMatrix(GL_MODELVIEW_MATRIX));

	// Each texture unit has its own cache.
	GL_State::activeTexture(GL_TEXTURE0);
	GL_State::matrixMode(GL_TEXTURE);
	GL_State::loadMatrixf(m);
	GL_State::activeTexture(GL_TEXTURE1);
	GL_State::loadMatrixf(m);
	EXPECT_EQ(transposed(m), glMatrix(GL_TEXTURE_MATRIX));
	GL_State::activeTexture(GL_TEXTURE0);
	EXPECT_EQ(transposed(m), glMatrix(GL_TEXTURE_MATRIX));
}

TEST_F(GLStateTest, ContextAppliesItsStartState)
{
	EXPECT_EQ(GL_CW, getInt(GL_FRONT_FACE));
	EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
	EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
	GLint vp[4] = {};
	glGetIntegerv(GL_VIEWPORT, vp);
	EXPECT_EQ(W, vp[2]);
	EXPECT_EQ(H, vp[3]);
}

TEST_F(GLStateTest, CachedStatesOnlyChangeTheShadow)
{
	GL_State::depthFunc(GL_LEQUAL);
	m_ctx->saveCachedState("a");
	GL_State::depthFunc(GL_GREATER);
	m_ctx->restoreCachedState("missing");
	EXPECT_EQ(unsigned(GL_GREATER), GL_State::sm_current.m_depthFunc);
	m_ctx->restoreCachedState("a");
	EXPECT_EQ(GL_GREATER, getInt(GL_DEPTH_FUNC)) << "no GL call";
	GL_State::depthFunc(GL_LEQUAL);
	EXPECT_EQ(GL_GREATER, getInt(GL_DEPTH_FUNC)) << "the shadow believes LEQUAL";
	m_ctx->resetCachedState();
	EXPECT_EQ(unsigned(GL_LESS), GL_State::sm_current.m_depthFunc);
}

} // namespace
