#include "GLTestHost.h"
#include <support/FakeContext.h>

using namespace gltest;
using gr::Primitive;
using gr::VertexFormat;
using gr::ContextObject;

namespace
{

typedef gr::Context::Statistics Stats;

VertexFormat positionColorFormat()
{
	VertexFormat vf;
	vf.addPosition(VertexFormat::DF_V3_32F);
	vf.addDiffuse(VertexFormat::DF_V4_8);
	return vf;
}

// Four axis-aligned quads, one per quadrant of the view (bottom left,
// bottom right, top left, top right), as 8 indexed triangles.
void fillQuadrants(Primitive* prim, math::float4 const* colors)
{
	ContextObject::Lock lock(prim, ContextObject::LOCK_WRITE);
	for (int q = 0; q < 4; ++q)
	{
		float x0 = (q & 1) ? 0.f : -1.f;
		float y0 = (q & 2) ? 0.f : -1.f;
		math::float4 const pos[4] = {{x0, y0, 0, 1}, {x0 + 1, y0, 0, 1}, {x0, y0 + 1, 0, 1}, {x0 + 1, y0 + 1, 0, 1}};
		math::float4 const col[4] = {colors[q], colors[q], colors[q], colors[q]};
		prim->setVertexPositions(q * 4, pos, 4);
		prim->setVertexDiffuseColors(q * 4, col, 4);
		int const idx[6] = {q * 4, q * 4 + 1, q * 4 + 2, q * 4 + 2, q * 4 + 1, q * 4 + 3};
		prim->setIndices(q * 6, idx, 6);
	}
}

// Diffuse colours are stored as bytes 0..255 and reach the GL normalised.
const math::float4 QUAD_COLORS[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};

} // namespace

class GLPrimitiveTest : public GLFixture
{
protected:
	lang::Ptr<test::FakeShader> m_shader = new test::FakeShader(std::make_shared<test::CallLog>(), "flat");

	Pixels draw(Primitive* prim)
	{
		clearView();
		use(m_colorProgram);
		prim->setShader(m_shader);
		prim->render();
		EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
		return read();
	}

	static unsigned rgb(Pixels const& px, int x, int y)
	{
		std::uint8_t const* p = px.at(x, y);
		return (unsigned(p[0]) << 16) | (unsigned(p[1]) << 8) | p[2];
	}
};

// Indices 6..12 draw the second quad only (byte offset 12 into the list),
// with buffer objects and from system memory alike.
TEST_F(GLPrimitiveTest, IndexRangeDrawsOnlyItsTriangles)
{
	for (bool vbo : {false, true})
	{
		SCOPED_TRACE(vbo ? "buffer objects" : "client arrays");
		m_host.added.clear();
		if (vbo)
			m_host.added.insert("GL_OES_vertex_buffer_object");
		lang::Ptr<GL_Primitive> prim = new GL_Primitive(&m_host, Primitive::PRIM_TRI, positionColorFormat(), 16, 24, 2);
		EXPECT_EQ(vbo ? 2 : 4, prim->usage());
		fillQuadrants(prim, QUAD_COLORS);
		prim->setIndexRangeBegin(6);
		prim->setIndexRangeEnd(12);
		m_host.stats.reset();
		Pixels const px = draw(prim);
		EXPECT_EQ(0u, rgb(px, 10, 10));
		EXPECT_EQ(0x00FF00u, rgb(px, 50, 10));
		EXPECT_EQ(0u, rgb(px, 10, 50));
		EXPECT_EQ(0u, rgb(px, 50, 50));
		EXPECT_EQ(16, m_host.stats.counters[Stats::COUNTER_VERTICES]);
		EXPECT_EQ(2, m_host.stats.counters[Stats::COUNTER_TRIANGLES]);
		EXPECT_EQ(1, m_host.stats.counters[Stats::COUNTER_DRAWCALLS]);
	}
}

// The same scene through buffer objects, client arrays of a buffer-capable
// GL (usage 4) and without the extension gives the same pixels; a read
// lock's unlock sends nothing to the buffers.
TEST_F(GLPrimitiveTest, BufferObjectsAndClientArraysGiveSamePixels)
{
	lang::Ptr<GL_Primitive> plain = new GL_Primitive(&m_host, Primitive::PRIM_TRI, positionColorFormat(), 16, 24, 2);
	EXPECT_EQ(gr::Context::USAGE_SYSMEM, plain->usage());
	EXPECT_FALSE(GL_Primitive::hasVBOSupport());
	EXPECT_EQ(0u, plain->indexBuffer());
	EXPECT_EQ(0u, plain->vertexBuffer(VertexFormat::DT_POSITION));

	m_host.added.insert("GL_ARB_vertex_buffer_object");
	lang::Ptr<GL_Primitive> vbo = new GL_Primitive(&m_host, Primitive::PRIM_TRI, positionColorFormat(), 16, 24, 2);
	lang::Ptr<GL_Primitive> sysmem = new GL_Primitive(&m_host, Primitive::PRIM_TRI, positionColorFormat(), 16, 24, 4);
	EXPECT_TRUE(GL_Primitive::hasVBOSupport());
	EXPECT_NE(0u, vbo->indexBuffer());
	EXPECT_NE(0u, vbo->vertexBuffer(VertexFormat::DT_POSITION));
	EXPECT_NE(0u, vbo->vertexBuffer(VertexFormat::DT_DIFFUSE));
	EXPECT_EQ(0u, vbo->vertexBuffer(VertexFormat::DT_NORMAL));
	EXPECT_EQ(0u, sysmem->indexBuffer());

	for (GL_Primitive* p : {plain.ptr(), vbo.ptr(), sysmem.ptr()})
		fillQuadrants(p, QUAD_COLORS);
	Pixels const expected = draw(plain);
	EXPECT_EQ(0xFF0000u, rgb(expected, 10, 10));
	EXPECT_EQ(0x00FF00u, rgb(expected, 50, 10));
	EXPECT_EQ(0x0000FFu, rgb(expected, 10, 50));
	EXPECT_EQ(0xFFFFFFu, rgb(expected, 50, 50));
	EXPECT_EQ(expected, draw(vbo));
	EXPECT_EQ(expected, draw(sysmem));
	// Client arrays after a buffer-object draw, and the other way round.
	EXPECT_EQ(expected, draw(plain));
	EXPECT_EQ(expected, draw(vbo));

	// Changed under a read lock: system memory changes, the buffers do not.
	math::float4 const black[4] = {{0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}};
	{
		ContextObject::Lock lock(vbo, ContextObject::LOCK_READ);
		vbo->setVertexDiffuseColors(0, black, 4);
	}
	EXPECT_EQ(expected, draw(vbo));
	{
		ContextObject::Lock lock(vbo, ContextObject::LOCK_WRITE);
	}
	EXPECT_EQ(0u, rgb(draw(vbo), 10, 10));
}

// Non-indexed draws cover the vertex range; triangles are counted by mode.
TEST_F(GLPrimitiveTest, VertexRangeAndTriangleCounts)
{
	struct Case
	{
		Primitive::PrimType type;
		int vertices;
		int triangles;
	};
	Case const cases[] = {
		{Primitive::PRIM_TRI, 6, 2},
		{Primitive::PRIM_TRISTRIP, 6, 4},
		{Primitive::PRIM_TRIFAN, 6, 4},
		{Primitive::PRIM_LINE, 6, 0},
		{Primitive::PRIM_LINESTRIP, 6, 0},
		{Primitive::PRIM_POINT, 6, 0},
	};
	for (Case const& c : cases)
	{
		SCOPED_TRACE(int(c.type));
		lang::Ptr<GL_Primitive> prim = new GL_Primitive(&m_host, c.type, positionColorFormat(), 8, 0, 4);
		{
			ContextObject::Lock lock(prim, ContextObject::LOCK_WRITE);
			math::float4 pos[8];
			math::float4 col[8];
			for (int i = 0; i < 8; ++i)
			{
				pos[i] = math::float4(-1.f + 0.25f * i, (i & 1) ? 1.f : -1.f, 0, 1);
				col[i] = math::float4(255, 255, 0, 255);
			}
			prim->setVertexPositions(0, pos, 8);
			prim->setVertexDiffuseColors(0, col, 8);
		}
		prim->setVertexRangeBegin(2);
		prim->setVertexRangeEnd(8);
		m_host.stats.reset();
		draw(prim);
		EXPECT_EQ(c.vertices, m_host.stats.counters[Stats::COUNTER_VERTICES]);
		EXPECT_EQ(c.triangles, m_host.stats.counters[Stats::COUNTER_TRIANGLES]);
		EXPECT_EQ(1, m_host.stats.counters[Stats::COUNTER_DRAWCALLS]);
	}

	// The strip over vertices 2..7 covers x from -0.5 on: nothing left of it.
	lang::Ptr<GL_Primitive> strip = new GL_Primitive(&m_host, Primitive::PRIM_TRISTRIP, positionColorFormat(), 8, 0, 4);
	{
		ContextObject::Lock lock(strip, ContextObject::LOCK_WRITE);
		for (int i = 0; i < 8; ++i)
		{
			math::float4 const pos(-1.f + 0.25f * i, (i & 1) ? 1.f : -1.f, 0, 1);
			math::float4 const col(255, 255, 0, 255);
			strip->setVertexPositions(i, &pos, 1);
			strip->setVertexDiffuseColors(i, &col, 1);
		}
	}
	strip->setVertexRangeBegin(2);
	Pixels const px = draw(strip);
	EXPECT_EQ(0u, rgb(px, 10, 32));
	EXPECT_EQ(0xFFFF00u, rgb(px, 40, 32));
}

// A sorting shader re-orders the triangles before the draw (and the new
// order reaches the index buffer): back to front leaves the nearest
// triangle on top; without sorting the list order decides.
TEST_F(GLPrimitiveTest, SortingShaderReordersTriangles)
{
	m_host.added.insert("GL_OES_vertex_buffer_object");
	lang::Ptr<GL_Primitive> prim = new GL_Primitive(&m_host, Primitive::PRIM_TRI, positionColorFormat(), 6, 6, 2);
	{
		ContextObject::Lock lock(prim, ContextObject::LOCK_WRITE);
		// Near red triangle first, far green triangle second, both over the centre.
		math::float4 const pos[6] = {{-1, -1, 0.1f, 1}, {1, -1, 0.1f, 1}, {0, 1, 0.1f, 1}, {-1, -1, 0.9f, 1}, {1, -1, 0.9f, 1}, {0, 1, 0.9f, 1}};
		math::float4 const col[6] = {{255, 0, 0, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 255, 0, 255}, {0, 255, 0, 255}};
		prim->setVertexPositions(0, pos, 6);
		prim->setVertexDiffuseColors(0, col, 6);
		int const idx[6] = {0, 1, 2, 3, 4, 5};
		prim->setIndices(0, idx, 6);
	}
	m_host.camera = math::float4(0, 0, -5, 1);
	EXPECT_EQ(0x00FF00u, rgb(draw(prim), 32, 20));

	m_shader->setSort(gr::Shader::SORT_BACKTOFRONT);
	EXPECT_EQ(0xFF0000u, rgb(draw(prim), 32, 20));
	int first = -1;
	prim->getIndices(0, &first, 1);
	EXPECT_EQ(3, first);

	m_shader->setSort(gr::Shader::SORT_FRONTTOBACK);
	EXPECT_EQ(0x00FF00u, rgb(draw(prim), 32, 20));
}

// Deleting buffer objects leaves the state shadow in step with the GL, so a
// new primitive that gets the same names still binds them.
TEST_F(GLPrimitiveTest, DeletedBuffersLeaveTheShadowInStep)
{
	m_host.added.insert("GL_OES_vertex_buffer_object");
	lang::Ptr<GL_Primitive> first = new GL_Primitive(&m_host, Primitive::PRIM_TRI, positionColorFormat(), 16, 24, 2);
	fillQuadrants(first, QUAD_COLORS);
	Pixels const expected = draw(first);
	first = nullptr;
	EXPECT_EQ(0u, GL_State::sm_current.m_arrayBuffer);
	EXPECT_EQ(0u, GL_State::sm_current.m_elementArrayBuffer);
	lang::Ptr<GL_Primitive> second = new GL_Primitive(&m_host, Primitive::PRIM_TRI, positionColorFormat(), 16, 24, 2);
	fillQuadrants(second, QUAD_COLORS);
	EXPECT_EQ(expected, draw(second));
}

// Positions kept as binary16 or 16-bit integers draw the same scene as floats.
TEST_F(GLPrimitiveTest, HalfFloatAndShortPositions)
{
	lang::Ptr<GL_Primitive> floats = new GL_Primitive(&m_host, Primitive::PRIM_TRI, positionColorFormat(), 16, 24, 4);
	fillQuadrants(floats, QUAD_COLORS);
	Pixels const expected = draw(floats);
	for (VertexFormat::DataFormat df : {VertexFormat::DF_V3_16F, VertexFormat::DF_V2_16F, VertexFormat::DF_V2_16})
	{
		SCOPED_TRACE(int(df));
		VertexFormat vf;
		vf.addPosition(df);
		vf.addDiffuse(VertexFormat::DF_V4_8);
		lang::Ptr<GL_Primitive> prim = new GL_Primitive(&m_host, Primitive::PRIM_TRI, vf, 16, 24, 4);
		fillQuadrants(prim, QUAD_COLORS);
		EXPECT_EQ(expected, draw(prim));
	}
}
