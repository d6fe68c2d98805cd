#pragma once

#include <gr/ContextObject.h>
#include <gr/VertexFormat.h>
#include <math/float3.h>
#include <math/float4.h>

namespace gr
{

class Shader;

/**
 * A piece of indexed or non-indexed geometry. Vertex data is written
 * between lock(LOCK_WRITE) and unlock() and read under LOCK_READ.
 * Implemented by DIPrimitive and the back ends' primitives.
 */
class Primitive : public ContextObject
{
public:
	/** Geometry kinds. */
	enum PrimType
	{
		PRIM_POINT = 0,
		PRIM_LINE = 1,
		PRIM_LINESTRIP = 2,
		PRIM_TRI = 3,
		PRIM_TRISTRIP = 4,
		PRIM_TRIFAN = 5,
	};

	Primitive() : ContextObject(CLASSID_PRIMITIVE) {}

	/** Shader used by render(). */
	virtual void setShader(Shader* shader) = 0;

	/** No effect. */
	virtual void setPerspectiveCorrection(int enabled);

	/** Not supported by any primitive: a fatal assertion. */
	virtual void setOpacity(int opacity);

	virtual void setVertexPositions(int first, math::float4 const* data, int count) = 0;
	virtual void setVertexPositionScaleBias(math::float4 const& scaleBias) = 0;
	virtual void setVertexTransformedPositions(int first, math::float4 const* data, int count) = 0;
	virtual void setVertexNormals(int first, math::float4 const* data, int count) = 0;
	virtual void setVertexDiffuseColors(int first, math::float4 const* data, int count) = 0;
	virtual void setVertexSpecularColors(int first, math::float4 const* data, int count) = 0;
	virtual void setVertexTangents(int first, math::float4 const* data, int count) = 0;
	virtual void setVertexBoneWeights(int first, math::float4 const* data, int count) = 0;
	virtual void setVertexBoneIndices(int first, math::float4 const* data, int count) = 0;
	virtual void setVertexTextureCoordinates(int first, int layer, math::float4 const* data, int count) = 0;

	/** x scales both texture coordinates, y and z are added to u and v. */
	virtual void setVertexTextureCoordinateScaleBias(math::float4 const& scaleBias) = 0;

	/** Converting copy of count tightly packed elements of srcFormat into a stream. */
	virtual void setVertexData(VertexFormat::DataType dt, int first, void const* src, VertexFormat::DataFormat srcFormat, int count) = 0;

	/** Converting copy of 1-, 2- or 4-byte indices into the index list. */
	virtual void setIndexData(int first, void const* src, int indexSize, int count) = 0;

	/** Copy of int indices into the index list. */
	virtual void setIndices(int first, int const* src, int count) = 0;

	/** Compacts the bone indices to the bones actually used. */
	virtual void packBones() = 0;

	/** Replaces the used-bone table. */
	virtual void setUsedBones(unsigned char const* bones, int count) = 0;

	/** Draws the primitive with its shader. */
	virtual void render() = 0;

	/** No effect. */
	virtual void setWireframeColor(int color);

	/** Start and element pitch (bytes) of a component stream. */
	virtual void getVertexDataPtr(VertexFormat::DataType dt, unsigned char** data, int* pitch) = 0;

	/** Start of the index list; pitch is always 2. */
	virtual void getIndexDataPtr(unsigned short** data, int* pitch) = 0;

	virtual void setVertexRangeBegin(int begin) = 0;
	virtual void setVertexRangeEnd(int end) = 0;
	virtual void setIndexRangeBegin(int begin) = 0;
	virtual void setIndexRangeEnd(int end) = 0;
	virtual void setBound(math::float3 const& min, math::float3 const& max, float radius) = 0;
	virtual int vertexRangeBegin() const = 0;
	virtual int vertexRangeEnd() const = 0;
	virtual int indexRangeBegin() const = 0;
	virtual int indexRangeEnd() const = 0;

	/** Table of used bones (may be null). */
	virtual unsigned char const* usedBoneArray() const = 0;

	virtual PrimType type() const = 0;
	virtual int usedBones() const = 0;
	virtual Shader* shader() const = 0;
	virtual int vertices() const = 0;
	virtual int indices() const = 0;
	virtual VertexFormat const& vertexFormat() const = 0;

	virtual void getVertexPositions(int first, math::float4* out, int count) const = 0;
	virtual void getVertexNormals(int first, math::float4* out, int count) const = 0;
	virtual void getVertexDiffuseColors(int first, math::float4* out, int count) const = 0;
	virtual void getVertexSpecularColors(int first, math::float4* out, int count) const = 0;
	virtual void getVertexTangents(int first, math::float4* out, int count) const = 0;
	virtual void getVertexBoneWeights(int first, math::float4* out, int count) const = 0;
	virtual void getVertexBoneIndices(int first, math::float4* out, int count) const = 0;
	virtual void getVertexTextureCoordinates(int first, int layer, math::float4* out, int count) const = 0;

	/** Converting read of count elements as math::float4. */
	virtual void getVertexData(VertexFormat::DataType dt, int first, math::float4* out, int count) const = 0;

	/** Widening read of the index list. */
	virtual void getIndices(int first, int* out, int count) const = 0;

	virtual bool vertexTextureCoordinateScaleBiasIsIdentity() const = 0;
	virtual math::float4 const& vertexTextureCoordinateScaleBias() const = 0;
	virtual math::float4 const& vertexPositionScaleBias() const = 0;
	virtual math::float3 const& boundMin() const = 0;
	virtual math::float3 const& boundMax() const = 0;
	virtual float boundRadius() const = 0;
};

} // gr
