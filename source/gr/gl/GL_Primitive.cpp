#include "GL_Primitive.h"
#include "GL_Check.h"
#include <cassert>
#include <cstdint>

#include "GL_Backend.h"
#include "GL_StateBase.h"
#include "GL_VertexStreams.h"
#include <GLES2/gl2.h>

namespace gr
{
namespace gl
{

bool GL_Primitive::s_hasVBOsupport = false;

namespace
{

GLenum glMode(Primitive::PrimType type)
{
	switch (type)
	{
	case Primitive::PRIM_POINT:
		return GL_POINTS;
	case Primitive::PRIM_LINE:
		return GL_LINES;
	case Primitive::PRIM_LINESTRIP:
		return GL_LINE_STRIP;
	case Primitive::PRIM_TRI:
		return GL_TRIANGLES;
	case Primitive::PRIM_TRISTRIP:
		return GL_TRIANGLE_STRIP;
	case Primitive::PRIM_TRIFAN:
		return GL_TRIANGLE_FAN;
	}
	assert(false);
	return GL_TRIANGLES;
}

// Triangles drawn by count vertices (or indices) in the given mode.
int triangleCount(Primitive::PrimType type, int count)
{
	switch (type)
	{
	case Primitive::PRIM_TRI:
		return count / 3;
	case Primitive::PRIM_TRISTRIP:
	case Primitive::PRIM_TRIFAN:
		return count > 2 ? count - 2 : 0;
	default:
		return 0;
	}
}

// Binds buffer 0 to target in the shadow and the GL unless name is bound
// there already; used before a buffer object is deleted, since the GL then
// unbinds it behind the shadow's back.
void forgetBuffer(GL_StateBase& shadow, unsigned int target, unsigned int name)
{
	unsigned int const bound = target == GL_ARRAY_BUFFER ? shadow.m_arrayBuffer : shadow.m_elementArrayBuffer;
	if (bound == name)
		shadow.bindBuffer(target, 0);
}

} // namespace

GL_Primitive::GL_Primitive(GL_PrimitiveHost* host, PrimType type, VertexFormat const& vf, int vertices, int indices, int usage) :
	m_host(host),
	m_backend(host ? &host->glBackend() : nullptr),
	m_ibuffer(INVALID_BUFFER),
	m_type(type),
	m_lockType(LOCK_NONE),
	m_usage(usage)
{
	assert(host);
	for (unsigned int& b : m_vbuffers)
		b = INVALID_BUFFER;

	s_hasVBOsupport = host->isExtensionSupported("GL_ARB_vertex_buffer_object") ||
		host->isExtensionSupported("GL_OES_vertex_buffer_object");
	if (!s_hasVBOsupport)
		m_usage = Context::USAGE_SYSMEM;

	VertexFormat aligned = vf;
	aligned.setAlignEach(4);
	setFormat(aligned, vertices, indices);
}

GL_Primitive::~GL_Primitive()
{
	GL_Primitive::deallocate();
	m_shader = nullptr;
}

void GL_Primitive::allocate(VertexFormat const& vf, int vertices, int indices)
{
	DIPrimitive::allocate(vf, vertices, indices);
	if (m_usage == Context::USAGE_SYSMEM)
		return;

	if (indices >= 1)
	{
		glGenBuffers(1, &m_ibuffer);
		GL_CHECK();
		assert(m_ibuffer != INVALID_BUFFER && "m_ibuffer != INVALID_BUFFER");
	}
	for (int i = 0; i < VertexFormat::DT_SIZE; ++i)
	{
		if (!vf.hasData(VertexFormat::DataType(i)))
			continue;
		glGenBuffers(1, &m_vbuffers[i]);
		GL_CHECK();
		assert(m_vbuffers[i] != INVALID_BUFFER && "m_vbuffers[i] != INVALID_BUFFER");
	}
}

void GL_Primitive::deallocate()
{
	DIPrimitive::deallocate();
	if (m_usage != Context::USAGE_SYSMEM)
		deleteBuffers();
}

void GL_Primitive::deleteBuffers()
{
	GL_StateBase& shadow = *m_backend->shadow;
	if (m_ibuffer != INVALID_BUFFER)
	{
		forgetBuffer(shadow, GL_ELEMENT_ARRAY_BUFFER, m_ibuffer);
		glDeleteBuffers(1, &m_ibuffer);
		GL_CHECK();
		m_ibuffer = INVALID_BUFFER;
	}
	for (unsigned int& b : m_vbuffers)
	{
		if (b == INVALID_BUFFER)
			continue;
		forgetBuffer(shadow, GL_ARRAY_BUFFER, b);
		glDeleteBuffers(1, &b);
		GL_CHECK();
		b = INVALID_BUFFER;
	}
}

void GL_Primitive::lock(LockType type)
{
	m_lockType = type;
}

void GL_Primitive::unlock()
{
	if (m_usage == Context::USAGE_SYSMEM || !(m_lockType & LOCK_WRITE))
	{
		m_lockType = LOCK_NONE;
		return;
	}

	GL_StateBase& shadow = *m_backend->shadow;
	if (m_ibuffer != INVALID_BUFFER)
	{
		unsigned short* data = nullptr;
		int pitch = 0;
		getIndexDataPtr(&data, &pitch);
		shadow.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_ibuffer);
		glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(sizeof(unsigned short)) * indices(), data, GL_DYNAMIC_DRAW);
		GL_CHECK();
		shadow.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
	}
	for (int i = 0; i < VertexFormat::DT_SIZE; ++i)
	{
		if (m_vbuffers[i] == INVALID_BUFFER)
			continue;
		unsigned char* data = nullptr;
		int pitch = 0;
		getVertexDataPtr(VertexFormat::DataType(i), &data, &pitch);
		shadow.bindBuffer(GL_ARRAY_BUFFER, m_vbuffers[i]);
		glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(pitch) * vertices(), data, GL_DYNAMIC_DRAW);
		GL_CHECK();
		shadow.bindBuffer(GL_ARRAY_BUFFER, 0);
	}
	m_lockType = LOCK_NONE;
}

void GL_Primitive::setShader(Shader* shader)
{
	m_shader = shader;
}

void GL_Primitive::getVertexDataPtr(VertexFormat::DataType dt, unsigned char** data, int* pitch)
{
	DIPrimitive::getVertexDataPtr(dt, data, pitch);
}

void GL_Primitive::getIndexDataPtr(unsigned short** data, int* pitch)
{
	DIPrimitive::getIndexDataPtr(data, pitch);
}

void GL_Primitive::sort()
{
	Shader::SortType const mode = m_shader->sort();
	if (mode == Shader::SORT_NONE || m_type != PRIM_TRI || (indices() > 0 ? indices() : vertices()) <= 2)
		return;

	// The lock's release sends the re-ordered index list to the GL.
	ContextObject::Lock lock(this, LOCK_READ | LOCK_WRITE);
	SortBuffer& buffer = m_host->sortBuffer();
	math::float4 const& camera4 = m_host->sortCameraPosition();
	math::float3 const camera(camera4.x, camera4.y, camera4.z);
	std::vector<math::float4x4> const& bones = m_host->sortBoneTransforms();
	math::float4x4 const* boneTms = bones.empty() ? nullptr : bones.data();
	int const boneCount = int(bones.size());
	switch (mode)
	{
	case Shader::SORT_BACKTOFRONT:
		sortBackToFront(camera, m_host->sortWorldTransform(), boneTms, boneCount, buffer);
		break;
	case Shader::SORT_FRONTTOBACK:
		sortFrontToBack(camera, m_host->sortWorldTransform(), boneTms, boneCount, buffer);
		break;
	case Shader::SORT_INSIDEOUT:
		sortInsideOut(buffer);
		break;
	case Shader::SORT_OUTSIDEIN:
		sortOutsideIn(buffer);
		break;
	default:
		break;
	}
}

void GL_Primitive::render()
{
	assert(shader() && "shader()");
	sort();

	bool const sysmem = m_usage == Context::USAGE_SYSMEM;
	VertexFormat const& vf = vertexFormat();
	GL_StateBase& shadow = *m_backend->shadow;

	// Client arrays need no buffer object bound, whoever bound one last.
	if (sysmem)
		shadow.bindBuffer(GL_ARRAY_BUFFER, 0);

	GL_VertexStreams& streams = *m_backend->vertexStreams;
	streams.begin(*m_host);

	for (int i = 0; i < VertexFormat::DT_SIZE; ++i)
	{
		VertexFormat::DataType const dt = VertexFormat::DataType(i);
		VertexFormat::DataFormat const df = vf.getDataFormat(dt);
		if (df == VertexFormat::DF_NONE)
			continue;

		int const dim = VertexFormat::getDataDim(df);
		int const bytes = VertexFormat::getDataSize(df) / dim;
		assert(bytes >= 1 && bytes <= 4 && bytes != 3 && "bytes >= 1 && bytes <= 4 && bytes != 3");
		GLenum const type = bytes == 4 ? GL_FLOAT : bytes == 2 ? GL_SHORT : dt == VertexFormat::DT_DIFFUSE ? GL_UNSIGNED_BYTE : GL_BYTE;

		unsigned char* data = nullptr;
		int pitch = 0;
		getVertexDataPtr(dt, &data, &pitch);
		void const* pointer = data;
		if (!sysmem)
		{
			shadow.bindBuffer(GL_ARRAY_BUFFER, m_vbuffers[i]);
			pointer = nullptr;
		}
		streams.attach({dt, df, dim, type, pitch, pointer});
	}
	streams.finish(*this);

	GLenum const mode = glMode(m_type);
	Context::Statistics& stats = m_host->renderStatistics();
	if (indices() == 0)
	{
		shadow.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
		int const count = vertexRangeEnd() - vertexRangeBegin();
		glDrawArrays(mode, vertexRangeBegin(), count);
		GL_CHECK();
		stats.counters[Context::Statistics::COUNTER_VERTICES] += count;
		stats.counters[Context::Statistics::COUNTER_TRIANGLES] += triangleCount(m_type, count);
	}
	else
	{
		// Offset into the index buffer object, or address in system memory.
		std::uintptr_t base = 0;
		if (sysmem)
		{
			unsigned short* data = nullptr;
			int pitch = 0;
			getIndexDataPtr(&data, &pitch);
			base = reinterpret_cast<std::uintptr_t>(data);
		}
		shadow.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, sysmem ? 0 : m_ibuffer);
		int const count = indexRangeEnd() - indexRangeBegin();
		glDrawElements(mode, count, GL_UNSIGNED_SHORT, reinterpret_cast<void const*>(base + sizeof(unsigned short) * std::uintptr_t(indexRangeBegin())));
		GL_CHECK();
		stats.counters[Context::Statistics::COUNTER_VERTICES] += vertexRangeEnd() - vertexRangeBegin();
		stats.counters[Context::Statistics::COUNTER_TRIANGLES] += triangleCount(m_type, count);
	}
	stats.counters[Context::Statistics::COUNTER_DRAWCALLS] += 1;
	m_host->drawCallIssued();

	streams.end();
}

} // gl
} // gr
