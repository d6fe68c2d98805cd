#pragma once

#include "GL_PrimitiveHost.h"
#include <gr/Primitive.h>
#include <gr/VertexFormat.h>

namespace gr
{
namespace gl
{

/** One vertex component of a primitive as the GL reads it. */
struct GL_VertexStream
{
	VertexFormat::DataType dataType;
	VertexFormat::DataFormat dataFormat;
	/** Values per vertex. */
	int dim;
	/** GL type of a value (GL_FLOAT, GL_SHORT, GL_BYTE or GL_UNSIGNED_BYTE). */
	unsigned int type;
	/** Bytes from one vertex to the next. */
	int pitch;
	/** Offset into the bound buffer object, or the address in system memory. */
	void const* pointer;
};

/**
 * How the vertex components of a primitive reach the GL, one way per back
 * end (fixed-function client arrays, or the generic vertex attributes of
 * the bound program). A draw of a primitive calls begin(), attach() for
 * each component present in component order (with the component's buffer
 * object bound, or none for system memory), finish(), issues the draw
 * call, then end(). The calls of one draw keep their state here between
 * them. Main thread only, with the GL context current.
 */
class GL_VertexStreams
{
public:
	virtual ~GL_VertexStreams() {}

	/** A draw of a primitive of host starts. */
	virtual void begin(GL_PrimitiveHost& host) = 0;

	/** Points the GL at stream. */
	virtual void attach(GL_VertexStream const& stream) = 0;

	/** After the last component, before the draw call of primitive. */
	virtual void finish(Primitive const& primitive) = 0;

	/** After the draw call. */
	virtual void end() = 0;
};

} // gl
} // gr
