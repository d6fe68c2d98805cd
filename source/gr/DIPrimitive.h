#pragma once

#include <gr/Primitive.h>
#include <gr/SortBuffer.h>
#include <gr/VertexFormat.h>
#include <math/float3.h>
#include <math/float4.h>
#include <math/float4x4.h>

namespace gr
{

/**
 * Device-independent primitive: keeps the vertex components in system
 * memory as one stream per component plus a 16-bit index list, converts
 * between each stored format and math::float4 on every get and set, packs
 * bone indices and re-orders triangles by distance. The back ends derive
 * from it and add the GL buffers and the draw.
 *
 * All vertex data lives in one block: a table of DT_SIZE + 1 stream
 * pointers (the last one for the index list), then the streams in DataType
 * order, each starting at a 16-byte boundary, then the index list.
 */
class DIPrimitive : public Primitive
{
public:
	/** Largest number of distinct bones a primitive may use. */
	enum { MAX_BONES = 255 };

	/** Empty format, no data, scale-biases (1, 0, 0, 0). */
	DIPrimitive();
	~DIPrimitive() override;

	void setVertexPositions(int first, math::float4 const* data, int count) override;
	void setVertexPositionScaleBias(math::float4 const& scaleBias) override;
	void setVertexTransformedPositions(int first, math::float4 const* data, int count) override;
	void setVertexNormals(int first, math::float4 const* data, int count) override;
	void setVertexDiffuseColors(int first, math::float4 const* data, int count) override;
	void setVertexSpecularColors(int first, math::float4 const* data, int count) override;
	void setVertexTangents(int first, math::float4 const* data, int count) override;
	void setVertexBoneWeights(int first, math::float4 const* data, int count) override;
	void setVertexBoneIndices(int first, math::float4 const* data, int count) override;
	void setVertexTextureCoordinates(int first, int layer, math::float4 const* data, int count) override;

	/** Stores it; identity exactly when x = 1 and y, z, w are zero. */
	void setVertexTextureCoordinateScaleBias(math::float4 const& scaleBias) override;

	void setVertexData(VertexFormat::DataType dt, int first, void const* src, VertexFormat::DataFormat srcFormat, int count) override;
	void setIndexData(int first, void const* src, int indexSize, int count) override;
	void setIndices(int first, int const* src, int count) override;

	/**
	 * Replaces the bone indices of all vertices by positions in a new
	 * used-bone table that lists, in ascending order, the bones some
	 * vertex uses with a positive weight. Needs LOCK_READ.
	 */
	void packBones() override;

	void setUsedBones(unsigned char const* bones, int count) override;
	void getVertexDataPtr(VertexFormat::DataType dt, unsigned char** data, int* pitch) override;
	void getIndexDataPtr(unsigned short** data, int* pitch) override;
	void setVertexRangeBegin(int begin) override;
	void setVertexRangeEnd(int end) override;
	void setIndexRangeBegin(int begin) override;
	void setIndexRangeEnd(int end) override;
	void setBound(math::float3 const& min, math::float3 const& max, float radius) override;
	int vertexRangeBegin() const override { return m_vertexRangeBegin; }
	int vertexRangeEnd() const override { return m_vertexRangeEnd; }
	int indexRangeBegin() const override { return m_indexRangeBegin; }
	int indexRangeEnd() const override { return m_indexRangeEnd; }
	unsigned char const* usedBoneArray() const override { return m_usedBone; }
	int usedBones() const override { return m_usedBones; }
	int vertices() const override { return m_vertices; }
	int indices() const override { return m_indices; }
	VertexFormat const& vertexFormat() const override { return m_vf; }
	void getVertexPositions(int first, math::float4* out, int count) const override;
	void getVertexNormals(int first, math::float4* out, int count) const override;
	void getVertexDiffuseColors(int first, math::float4* out, int count) const override;
	void getVertexSpecularColors(int first, math::float4* out, int count) const override;
	void getVertexTangents(int first, math::float4* out, int count) const override;
	void getVertexBoneWeights(int first, math::float4* out, int count) const override;
	void getVertexBoneIndices(int first, math::float4* out, int count) const override;
	void getVertexTextureCoordinates(int first, int layer, math::float4* out, int count) const override;
	void getVertexData(VertexFormat::DataType dt, int first, math::float4* out, int count) const override;
	void getIndices(int first, int* out, int count) const override;
	bool vertexTextureCoordinateScaleBiasIsIdentity() const override { return m_texCoordScaleBiasIdentity; }
	math::float4 const& vertexTextureCoordinateScaleBias() const override { return m_texCoordScaleBias; }
	math::float4 const& vertexPositionScaleBias() const override { return m_positionScaleBias; }
	math::float3 const& boundMin() const override { return m_boundMin; }
	math::float3 const& boundMax() const override { return m_boundMax; }
	float boundRadius() const override { return m_boundRadius; }

	/** Creates the system-memory block for the current format and counts. */
	virtual void allocate(VertexFormat const& vf, int vertices, int indices);

	/** Frees the system-memory block. */
	virtual void deallocate();

	/**
	 * Discards all data and sizes the primitive anew: 0 < vertices <
	 * 10000000; a triangle list needs a multiple of 3 below 65536 indices.
	 */
	void setFormat(VertexFormat const& vf, int vertices, int indices);

	/** Centre of the axis-aligned box around all vertex positions. */
	math::float3 center() const;

	/** Orders the triangles nearest to the camera first. */
	void sortFrontToBack(math::float3 const& camera, math::float4x4 const& worldTm, math::float4x4 const* boneTms, int boneCount, SortBuffer& buffer);

	/** Orders the triangles farthest from the camera first. */
	void sortBackToFront(math::float3 const& camera, math::float4x4 const& worldTm, math::float4x4 const* boneTms, int boneCount, SortBuffer& buffer);

	/** Orders the triangles nearest to center() first. */
	void sortInsideOut(SortBuffer& buffer);

	/** Orders the triangles farthest from center() first. */
	void sortOutsideIn(SortBuffer& buffer);

	/**
	 * Squared distance of each triangle's centroid from the camera:
	 * order[t] = t, distances[t] = the key. triangleCount must be the
	 * primitive's triangle count.
	 */
	void getTriangleDistances(math::float3 const& camera, math::float4x4 const& worldTm, math::float4x4 const* boneTms, int boneCount, unsigned short* order, float* distances, int triangleCount) const;

	/**
	 * Rewrites the index list so that new triangle t is old triangle
	 * order[t]; scratch holds room for the whole index list.
	 */
	void reorderTriangles(unsigned short const* order, unsigned short* scratch);

	DIPrimitive(DIPrimitive const&) = delete;
	DIPrimitive& operator=(DIPrimitive const&) = delete;

private:
	bool m_interleaved;
	math::float4 m_positionScaleBias;
	math::float4 m_texCoordScaleBias;
	math::float3 m_boundMin;
	math::float3 m_boundMax;
	float m_boundRadius;
	unsigned char** m_sysMemData;
	unsigned char* m_usedBone;
	int m_vertices;
	int m_indices;
	int m_vertexRangeBegin;
	int m_vertexRangeEnd;
	int m_indexRangeBegin;
	int m_indexRangeEnd;
	VertexFormat m_vf;
	unsigned char m_usedBones;
	bool m_texCoordScaleBiasIdentity;

	void clear();
	void readElement(VertexFormat::DataType dt, int index, math::float4* out) const;
	void sortTriangles(math::float3 const& camera, math::float4x4 const& worldTm, math::float4x4 const* boneTms, int boneCount, SortBuffer& buffer, bool ascending);
};

} // gr
