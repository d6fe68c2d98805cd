#pragma once

#include "GL_PrimitiveHost.h"
#include "GL_VertexStreams.h"
#include <gr/Context.h>
#include <gr/DIPrimitive.h>
#include <gr/Shader.h>
#include <gr/SortBuffer.h>
#include <lang/Ptr.h>
#include <math/float4.h>
#include <math/float4x4.h>
#include <vector>

namespace gr
{
namespace gl
{

struct GL_Backend;

/**
 * Geometry of the GL back end: the system-memory streams of
 * gr::DIPrimitive, mirrored into one GL buffer object per vertex component
 * and one for the index list when buffer objects are available
 * ("GL_ARB_vertex_buffer_object" or "GL_OES_vertex_buffer_object") and the
 * usage is not USAGE_SYSMEM. A write lock's unlock sends every stream and
 * the whole index list again. render() sorts triangles when the shader
 * asks for it and draws the vertex or index range with the shader program
 * that is current.
 *
 * locked() always answers LOCK_READ | LOCK_WRITE: data may be read and
 * written at any time; only a write lock's unlock reaches the GL.
 * Main thread only, with the GL context current.
 */
class GL_Primitive : public DIPrimitive
{
public:
	/** The name of no buffer object. */
	enum { INVALID_BUFFER = 0 };

	/**
	 * Creates the primitive and its buffers.
	 * @param host The creating context, not owned; must outlive the primitive.
	 * @param usage Context::UsageFlags; USAGE_SYSMEM (4) keeps the data in
	 *        system memory only, as does every usage when buffer objects are
	 *        missing.
	 */
	GL_Primitive(GL_PrimitiveHost* host, PrimType type, VertexFormat const& vf, int vertices, int indices, int usage);

	~GL_Primitive() override;

	/** Stores the lock type; data is always accessible. */
	void lock(LockType type) override;

	/** After a write lock sends all streams and the index list to their buffers. */
	void unlock() override;

	void setShader(Shader* shader) override;
	Shader* shader() const override { return m_shader; }
	PrimType type() const override { return m_type; }

	/**
	 * Sorts (triangle lists with a sorting shader), binds the components
	 * the current program uses, draws the vertex range (no indices) or the
	 * index range, and counts vertices, triangles and the draw call. On
	 * OpenGL ES 2.0 the attribute arrays of the components stay enabled
	 * after the draw and every other array is off (see the back end's
	 * GL_VertexStreams).
	 */
	void render() override;

	void getVertexDataPtr(VertexFormat::DataType dt, unsigned char** data, int* pitch) override;
	void getIndexDataPtr(unsigned short** data, int* pitch) override;

	/** System memory, then the buffer objects (no data is sent). */
	void allocate(VertexFormat const& vf, int vertices, int indices) override;

	/** Frees system memory and deletes the buffer objects. */
	void deallocate() override;

	/** The usage in effect (USAGE_SYSMEM when buffer objects are missing). */
	int usage() const { return m_usage; }

	/** Buffer object of the index list; INVALID_BUFFER when none. */
	unsigned int indexBuffer() const { return m_ibuffer; }

	/** Buffer object of a component; INVALID_BUFFER when none. */
	unsigned int vertexBuffer(VertexFormat::DataType dt) const { return m_vbuffers[dt]; }

	/** Whether the last primitive created found buffer objects. */
	static bool hasVBOSupport() { return s_hasVBOsupport; }

private:
	GL_PrimitiveHost* m_host;
	/** The host's back end. */
	GL_Backend const* m_backend;
	lang::Ptr<Shader> m_shader;
	unsigned int m_ibuffer;
	unsigned int m_vbuffers[VertexFormat::DT_SIZE];
	PrimType m_type;
	LockType m_lockType;
	int m_usage;

	static bool s_hasVBOsupport;

	void sort();
	void deleteBuffers();
};

} // gl
} // gr
