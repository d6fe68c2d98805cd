#include <gr/DIPrimitive.h>
#include <lang/OutOfMemoryException.h>
#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace gr
{

namespace
{

/** Every stream of the block starts at a multiple of this. */
std::size_t const STREAM_ALIGN = 16;

/** The pointer table: one entry per DataType plus one for the index list. */
std::size_t const TABLE_ENTRIES = VertexFormat::DT_SIZE + 1;

std::size_t alignUp(std::size_t n)
{
	return (n + STREAM_ALIGN - 1) & ~(STREAM_ALIGN - 1);
}

/** True when first..first+count-1 lies inside 0..size-1 and count >= 0. */
bool inRange(int first, int count, int size)
{
	return first >= 0 && count >= 0 && first <= size && count <= size - first;
}

/**
 * Bone number of a bone-index component: truncated toward zero, or -1 when
 * the value is NaN or outside the int range (stream data may hold anything).
 */
int boneIndex(float f)
{
	if (!(f > -2147483648.0f && f < 2147483648.0f))
		return -1;
	return int(f);
}

/** Applies the affine part of a bone matrix to a point. */
math::float3 boneTransform(math::float4x4 const& b, math::float3 const& p)
{
	return math::float3(b[0] * p.x + b[1] * p.y + b[2] * p.z + b[12],
		b[4] * p.x + b[5] * p.y + b[6] * p.z + b[13],
		b[8] * p.x + b[9] * p.y + b[10] * p.z + b[14]);
}

} // namespace

DIPrimitive::DIPrimitive() :
	m_interleaved(false),
	m_positionScaleBias(1.f, 0.f, 0.f, 0.f),
	m_texCoordScaleBias(1.f, 0.f, 0.f, 0.f),
	m_boundMin(0.f, 0.f, 0.f),
	m_boundMax(0.f, 0.f, 0.f),
	m_boundRadius(0.f),
	m_sysMemData(nullptr),
	m_usedBone(nullptr),
	m_vertices(0),
	m_indices(0),
	m_vertexRangeBegin(0),
	m_vertexRangeEnd(0),
	m_indexRangeBegin(0),
	m_indexRangeEnd(0),
	m_usedBones(0),
	m_texCoordScaleBiasIdentity(true)
{
	(void)m_interleaved;
}

DIPrimitive::~DIPrimitive()
{
	clear();
	DIPrimitive::deallocate();
}

void DIPrimitive::clear()
{
	m_usedBones = 0;
	m_vf = VertexFormat();
	m_vertices = m_indices = 0;
	m_vertexRangeBegin = m_vertexRangeEnd = 0;
	m_indexRangeBegin = m_indexRangeEnd = 0;
	std::free(m_usedBone);
	m_usedBone = nullptr;
}

void DIPrimitive::setFormat(VertexFormat const& vf, int vertices, int indices)
{
	assert(vertices > 0 && vertices < 10000000);
	assert(indices >= 0);
	if (type() == PRIM_TRI)
		assert(indices % 3 == 0 && indices < 0x10000);

	clear();
	deallocate();

	m_vf = vf;
	m_vertices = vertices;
	m_indices = indices;
	m_vertexRangeBegin = 0;
	m_vertexRangeEnd = vertices;
	m_indexRangeBegin = 0;
	m_indexRangeEnd = indices;
	allocate(vf, vertices, indices);
}

void DIPrimitive::allocate(VertexFormat const& vf, int vertices, int indices)
{
	assert(m_sysMemData == 0);
	assert(m_vf == vf);
	assert(vertices == m_vertices && indices == m_indices);
	(void)vf;
	(void)vertices;
	(void)indices;

	std::size_t const nverts = std::size_t(std::max(m_vertices, 0));
	std::size_t const nindices = std::size_t(std::max(m_indices, 0));
	std::size_t offsets[TABLE_ENTRIES] = {};
	std::size_t size = alignUp(TABLE_ENTRIES * sizeof(unsigned char*));
	for (int dt = 0; dt < VertexFormat::DT_SIZE; ++dt)
	{
		VertexFormat::DataFormat const df = m_vf.getDataFormat(VertexFormat::DataType(dt));
		if (df == VertexFormat::DF_NONE)
			continue;
		offsets[dt] = size;
		size += alignUp(std::size_t(VertexFormat::getDataSizeAligned(df, m_vf.alignEach())) * nverts);
	}
	if (nindices > 0)
	{
		offsets[VertexFormat::DT_SIZE] = size;
		size += nindices * sizeof(unsigned short);
	}

	void* block = std::calloc(1, size);
	if (!block)
		lang::throwError(lang::OutOfMemoryException(lang::Format("Out of memory allocating {0} bytes of vertex data", double(size))));

	unsigned char* base = static_cast<unsigned char*>(block);
	m_sysMemData = static_cast<unsigned char**>(block);
	for (std::size_t i = 0; i < TABLE_ENTRIES; ++i)
		m_sysMemData[i] = offsets[i] ? base + offsets[i] : nullptr;
}

void DIPrimitive::deallocate()
{
	std::free(m_sysMemData);
	m_sysMemData = nullptr;
}

void DIPrimitive::setVertexPositions(int first, math::float4 const* data, int count)
{
	setVertexData(VertexFormat::DT_POSITION, first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexPositionScaleBias(math::float4 const& scaleBias)
{
	m_positionScaleBias = scaleBias;
}

void DIPrimitive::setVertexTransformedPositions(int first, math::float4 const* data, int count)
{
	setVertexData(VertexFormat::DT_POSITIONT, first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexNormals(int first, math::float4 const* data, int count)
{
	setVertexData(VertexFormat::DT_NORMAL, first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexDiffuseColors(int first, math::float4 const* data, int count)
{
	setVertexData(VertexFormat::DT_DIFFUSE, first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexSpecularColors(int first, math::float4 const* data, int count)
{
	setVertexData(VertexFormat::DT_SPECULAR, first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexTangents(int first, math::float4 const* data, int count)
{
	setVertexData(VertexFormat::DT_TANGENT, first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexBoneWeights(int first, math::float4 const* data, int count)
{
	setVertexData(VertexFormat::DT_BONEWEIGHTS, first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexBoneIndices(int first, math::float4 const* data, int count)
{
	setVertexData(VertexFormat::DT_BONEINDICES, first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexTextureCoordinates(int first, int layer, math::float4 const* data, int count)
{
	assert(layer >= 0 && layer < m_vf.textureCoordinates());
	if (layer < 0 || layer >= m_vf.textureCoordinates())
		return;
	setVertexData(VertexFormat::DataType(VertexFormat::DT_TEX0 + layer), first, data, VertexFormat::DF_V4_32F, count);
}

void DIPrimitive::setVertexTextureCoordinateScaleBias(math::float4 const& scaleBias)
{
	m_texCoordScaleBias = scaleBias;
	m_texCoordScaleBiasIdentity = scaleBias.x == 1.f && scaleBias.y == 0.f && scaleBias.z == 0.f && scaleBias.w == 0.f;
}

void DIPrimitive::setVertexData(VertexFormat::DataType dt, int first, void const* src, VertexFormat::DataFormat srcFormat, int count)
{
	assert((unsigned)dt < (unsigned)VertexFormat::DT_SIZE);
	if ((unsigned)dt >= (unsigned)VertexFormat::DT_SIZE)
		return;
	VertexFormat::DataFormat const dstdf = m_vf.getDataFormat(dt);
	assert(VertexFormat::DF_NONE != dstdf);
	assert(inRange(first, count, m_vertices) && "Vertex range out of bounds");
	if (dstdf == VertexFormat::DF_NONE || !inRange(first, count, m_vertices) || count == 0)
		return;

	unsigned char* data = nullptr;
	int pitch = 0;
	getVertexDataPtr(dt, &data, &pitch);
	VertexFormat::copyData(data + std::ptrdiff_t(first) * pitch, pitch, dstdf, src, VertexFormat::getDataSize(srcFormat), srcFormat, count);
}

void DIPrimitive::getVertexData(VertexFormat::DataType dt, int index, math::float4* out, int count) const
{
	assert(locked() & LOCK_READ);
	assert(index >= 0 && count > 0 && index + count <= m_vertices);
	assert((unsigned)dt < (unsigned)VertexFormat::DT_SIZE);
	if ((unsigned)dt >= (unsigned)VertexFormat::DT_SIZE || count <= 0 || !inRange(index, count, m_vertices))
		return;
	VertexFormat::DataFormat const df = m_vf.getDataFormat(dt);
	if (df == VertexFormat::DF_NONE)
	{
		// An absent component reads as zero.
		for (int i = 0; i < count; ++i)
			out[i] = math::float4();
		return;
	}
	int const pitch = VertexFormat::getDataSizeAligned(df, m_vf.alignEach());
	VertexFormat::copyData(out, int(sizeof(math::float4)), VertexFormat::DF_V4_32F, m_sysMemData[dt] + std::ptrdiff_t(index) * pitch, pitch, df, count);
}

void DIPrimitive::readElement(VertexFormat::DataType dt, int index, math::float4* out) const
{
	VertexFormat::DataFormat const df = m_vf.getDataFormat(dt);
	if (df == VertexFormat::DF_NONE || !m_sysMemData || index < 0 || index >= m_vertices)
	{
		*out = math::float4();
		return;
	}
	int const pitch = VertexFormat::getDataSizeAligned(df, m_vf.alignEach());
	VertexFormat::getData(df, m_sysMemData[dt] + std::ptrdiff_t(index) * pitch, out);
}

void DIPrimitive::getVertexPositions(int first, math::float4* out, int count) const
{
	getVertexData(VertexFormat::DT_POSITION, first, out, count);
}

void DIPrimitive::getVertexNormals(int first, math::float4* out, int count) const
{
	getVertexData(VertexFormat::DT_NORMAL, first, out, count);
}

void DIPrimitive::getVertexDiffuseColors(int first, math::float4* out, int count) const
{
	getVertexData(VertexFormat::DT_DIFFUSE, first, out, count);
}

void DIPrimitive::getVertexSpecularColors(int first, math::float4* out, int count) const
{
	getVertexData(VertexFormat::DT_SPECULAR, first, out, count);
}

void DIPrimitive::getVertexTangents(int first, math::float4* out, int count) const
{
	getVertexData(VertexFormat::DT_TANGENT, first, out, count);
}

void DIPrimitive::getVertexBoneWeights(int first, math::float4* out, int count) const
{
	getVertexData(VertexFormat::DT_BONEWEIGHTS, first, out, count);
}

void DIPrimitive::getVertexBoneIndices(int first, math::float4* out, int count) const
{
	getVertexData(VertexFormat::DT_BONEINDICES, first, out, count);
}

void DIPrimitive::getVertexTextureCoordinates(int first, int layer, math::float4* out, int count) const
{
	assert(layer >= 0 && layer < m_vf.textureCoordinates());
	if (layer < 0 || layer >= m_vf.textureCoordinates())
		return;
	getVertexData(VertexFormat::DataType(VertexFormat::DT_TEX0 + layer), first, out, count);
}

void DIPrimitive::getVertexDataPtr(VertexFormat::DataType dt, unsigned char** data, int* pitch)
{
	assert((unsigned)dt < (unsigned)VertexFormat::DT_SIZE);
	assert(m_vf.hasData(dt));
	assert(locked() != LOCK_NONE);
	VertexFormat::DataFormat const df = m_vf.getDataFormat(dt);
	*data = (m_sysMemData && df != VertexFormat::DF_NONE) ? m_sysMemData[dt] : nullptr;
	*pitch = VertexFormat::getDataSizeAligned(df, m_vf.alignEach());
}

void DIPrimitive::getIndexDataPtr(unsigned short** data, int* pitch)
{
	assert(m_indices > 0);
	assert(locked() != LOCK_NONE);
	assert(m_sysMemData && m_sysMemData[VertexFormat::DT_SIZE] != 0 && "No index data");
	*data = m_sysMemData ? reinterpret_cast<unsigned short*>(m_sysMemData[VertexFormat::DT_SIZE]) : nullptr;
	*pitch = 2;
}

void DIPrimitive::setIndexData(int v0, void const* src, int indexsize, int count)
{
	assert(locked() & LOCK_WRITE);
	assert(v0 >= 0 && count > 0 && v0 + count <= m_indices);
	assert(indexsize == 1 || indexsize == 2 || indexsize == 4);
	if (count <= 0 || !inRange(v0, count, m_indices) || !(indexsize == 1 || indexsize == 2 || indexsize == 4))
		return;

	unsigned short* d = nullptr;
	int isize = 0;
	getIndexDataPtr(&d, &isize);
	assert(isize == 2);
	d += v0;
	unsigned char const* s = static_cast<unsigned char const*>(src);
	for (int i = 0; i < count; ++i)
	{
		switch (indexsize)
		{
		case 4:
		{
			uint32_t v;
			std::memcpy(&v, s + 4 * i, 4);
			d[i] = (unsigned short)v;
			assert(d[i] == v);
			break;
		}
		case 2:
			std::memcpy(d + i, s + 2 * i, 2);
			break;
		default:
			d[i] = s[i];
			break;
		}
	}
}

void DIPrimitive::setIndices(int first, int const* data, int count)
{
	assert(inRange(first, count, m_indices) && "Index range out of bounds");
	if (count <= 0 || !inRange(first, count, m_indices))
		return;
	unsigned short* d = nullptr;
	int indexsize = 0;
	getIndexDataPtr(&d, &indexsize);
	assert(indexsize == 2);
	for (int i = 0; i < count; ++i)
	{
		unsigned short const ix = (unsigned short)data[i];
		assert((int)ix == data[i]);
		assert((int)ix < m_vertices);
		d[first + i] = ix;
	}
}

void DIPrimitive::getIndices(int first, int* out, int count) const
{
	assert(inRange(first, count, m_indices) && "Index range out of bounds");
	if (count <= 0 || !inRange(first, count, m_indices) || !m_sysMemData || !m_sysMemData[VertexFormat::DT_SIZE])
		return;
	unsigned short const* s = reinterpret_cast<unsigned short const*>(m_sysMemData[VertexFormat::DT_SIZE]);
	for (int i = 0; i < count; ++i)
		out[i] = s[first + i];
}

void DIPrimitive::packBones()
{
	assert(locked() & LOCK_READ);
	assert(0 == m_usedBone);
	if (!m_vf.hasData(VertexFormat::DT_BONEINDICES))
		return;

	bool used[MAX_BONES] = {};
	m_usedBones = 0;
	for (int v = 0; v < m_vertices; ++v)
	{
		math::float4 w;
		math::float4 ixs;
		readElement(VertexFormat::DT_BONEWEIGHTS, v, &w);
		readElement(VertexFormat::DT_BONEINDICES, v, &ixs);
		float const weights[4] = {w.x, w.y, w.z, w.w};
		float const bones[4] = {ixs.x, ixs.y, ixs.z, ixs.w};
		for (int k = 0; k < 4; ++k)
		{
			int const ix = boneIndex(bones[k]);
			assert(ix >= 0 && ix < MAX_BONES);
			if (ix < 0 || ix >= MAX_BONES)
				continue;
			if (weights[k] > 0.f && !used[ix])
			{
				assert(m_usedBones < MAX_BONES);
				used[ix] = true;
				++m_usedBones;
			}
		}
	}

	std::free(m_usedBone);
	m_usedBone = nullptr;
	if (m_usedBones > 0)
	{
		m_usedBone = static_cast<unsigned char*>(std::malloc(m_usedBones));
		if (!m_usedBone)
		{
			m_usedBones = 0;
			lang::throwError(lang::OutOfMemoryException(lang::Format("Out of memory allocating the used-bone table")));
		}
	}
	int k = 0;
	for (int i = 0; i < MAX_BONES; ++i)
	{
		if (used[i])
		{
			assert(k < int(m_usedBones));
			m_usedBone[k++] = (unsigned char)i;
			assert(m_usedBone[k - 1] == i);
		}
	}
	assert(m_usedBones == k);

	unsigned char remap[MAX_BONES] = {};
	for (int j = 0; j < int(m_usedBones); ++j)
		remap[m_usedBone[j]] = (unsigned char)j;

	for (int v = 0; v < m_vertices; ++v)
	{
		math::float4 ixs;
		readElement(VertexFormat::DT_BONEINDICES, v, &ixs);
		float* c[4] = {&ixs.x, &ixs.y, &ixs.z, &ixs.w};
		for (int j = 0; j < 4; ++j)
		{
			int const ix = boneIndex(*c[j]);
			assert(ix >= 0 && ix < MAX_BONES);
			*c[j] = (ix >= 0 && ix < MAX_BONES) ? float(remap[ix]) : 0.f;
		}
		setVertexBoneIndices(v, &ixs, 1);
	}
}

void DIPrimitive::setUsedBones(unsigned char const* bones, int usedbones)
{
	assert(locked() & LOCK_WRITE);
	assert(usedbones >= 0 && usedbones < 0x100);
	if (usedbones < 0 || usedbones >= 0x100)
		return;
	std::free(m_usedBone);
	m_usedBone = nullptr;
	m_usedBones = 0;
	if (usedbones >= 1)
	{
		assert(bones);
		m_usedBone = static_cast<unsigned char*>(std::malloc(std::size_t(usedbones)));
		if (!m_usedBone)
			lang::throwError(lang::OutOfMemoryException(lang::Format("Out of memory allocating the used-bone table")));
		std::memcpy(m_usedBone, bones, std::size_t(usedbones));
	}
	m_usedBones = (unsigned char)usedbones;
}

void DIPrimitive::setVertexRangeBegin(int begin)
{
	assert(begin >= 0 && begin < int(m_vertices));
	// A range outside the data would make the draw read past the buffers.
	if (begin < 0 || begin >= m_vertices)
		return;
	m_vertexRangeBegin = begin;
}

void DIPrimitive::setVertexRangeEnd(int end)
{
	assert(end >= 0 && end <= int(m_vertices));
	if (end < 0 || end > m_vertices)
		return;
	m_vertexRangeEnd = end;
}

void DIPrimitive::setIndexRangeBegin(int begin)
{
	assert(begin >= 0 && begin < int(m_indices));
	if (begin < 0 || begin >= m_indices)
		return;
	m_indexRangeBegin = begin;
}

void DIPrimitive::setIndexRangeEnd(int end)
{
	assert(end >= 0 && end <= int(m_indices));
	if (end < 0 || end > m_indices)
		return;
	m_indexRangeEnd = end;
}

void DIPrimitive::setBound(math::float3 const& min, math::float3 const& max, float radius)
{
	m_boundMin = min;
	m_boundMax = max;
	m_boundRadius = radius;
}

math::float3 DIPrimitive::center() const
{
	assert(locked() != LOCK_NONE);
	math::float3 mn(FLT_MAX, FLT_MAX, FLT_MAX);
	math::float3 mx(-FLT_MAX, -FLT_MAX, -FLT_MAX);
	for (int i = 0; i < m_vertices; ++i)
	{
		math::float4 p;
		readElement(VertexFormat::DT_POSITION, i, &p);
		mn.x = std::min(mn.x, p.x);
		mn.y = std::min(mn.y, p.y);
		mn.z = std::min(mn.z, p.z);
		mx.x = std::max(mx.x, p.x);
		mx.y = std::max(mx.y, p.y);
		mx.z = std::max(mx.z, p.z);
	}
	return math::float3((mn.x + mx.x) * 0.5f, (mn.y + mx.y) * 0.5f, (mn.z + mx.z) * 0.5f);
}

void DIPrimitive::getTriangleDistances(math::float3 const& camera, math::float4x4 const& worldTm, math::float4x4 const* boneTms, int boneCount,
	unsigned short* order, float* distances, int tricount) const
{
	int const expected = m_indices > 0 ? m_indices / 3 : m_vertices / 3;
	assert(tricount == expected && "Invalid triangle count");
	assert(locked() != LOCK_NONE);
	assert(boneCount >= 0 && boneCount < 256);
	if (tricount != expected || tricount > 0x10000 || !m_sysMemData)
		return;

	unsigned short const* indexList = m_indices > 0 ? reinterpret_cast<unsigned short const*>(m_sysMemData[VertexFormat::DT_SIZE]) : nullptr;
	// Skinning needs both the weights and the bone numbers of each vertex.
	bool const skinned = boneTms && m_vf.hasData(VertexFormat::DT_BONEWEIGHTS) && m_vf.hasData(VertexFormat::DT_BONEINDICES);
	math::float4 const cam(camera, 1.f);
	float const third = 1.f / 3.f;

	for (int t = 0; t < tricount; ++t)
	{
		order[t] = (unsigned short)t;
		math::float3 sum(0.f, 0.f, 0.f);
		bool valid = true;
		for (int k = 0; k < 3; ++k)
		{
			int const v = indexList ? int(indexList[3 * t + k]) : 3 * t + k;
			assert(v < m_vertices && "Index beyond the vertex count");
			if (v >= m_vertices)
			{
				valid = false;
				break;
			}
			math::float4 p;
			readElement(VertexFormat::DT_POSITION, v, &p);
			math::float3 const pos(p.x, p.y, p.z);
			if (!skinned)
			{
				sum = sum + pos;
				continue;
			}
			math::float4 w;
			math::float4 ix;
			readElement(VertexFormat::DT_BONEWEIGHTS, v, &w);
			readElement(VertexFormat::DT_BONEINDICES, v, &ix);
			int const ix0 = boneIndex(ix.x);
			int const ix1 = boneIndex(ix.y);
			assert(ix0 >= 0 && ix0 < boneCount);
			assert(ix1 >= 0 && ix1 < boneCount);
			if (ix0 < 0 || ix0 >= boneCount || ix1 < 0 || ix1 >= boneCount)
			{
				valid = false;
				break;
			}
			sum = sum + boneTransform(boneTms[ix0], pos) * w.x + boneTransform(boneTms[ix1], pos) * (1.f - w.x);
		}

		if (!valid)
		{
			distances[t] = INFINITY;
			continue;
		}
		math::float4 centroid(sum * third, 1.f);
		if (!skinned)
			centroid = worldTm.transform(centroid);
		math::float4 const d = centroid - cam;
		distances[t] = d.dot(d);
	}
}

void DIPrimitive::reorderTriangles(unsigned short const* order, unsigned short* scratch)
{
	assert(m_indices > 0 && "Only indexed primitives can be re-ordered!");
	if (m_indices <= 0 || !m_sysMemData || !m_sysMemData[VertexFormat::DT_SIZE])
		return;
	unsigned short* indexList = reinterpret_cast<unsigned short*>(m_sysMemData[VertexFormat::DT_SIZE]);
	int const tricount = m_indices / 3;
	for (int t = 0; t < tricount; ++t)
	{
		int const newtri = order[t];
		assert(newtri >= 0 && newtri < tricount);
		int const src = newtri < tricount ? newtri : t;
		scratch[3 * t] = indexList[3 * src];
		scratch[3 * t + 1] = indexList[3 * src + 1];
		scratch[3 * t + 2] = indexList[3 * src + 2];
	}
	std::memcpy(indexList, scratch, std::size_t(tricount) * 3 * sizeof(unsigned short));
}

void DIPrimitive::sortTriangles(math::float3 const& camera, math::float4x4 const& worldTm, math::float4x4 const* boneTms, int boneCount, SortBuffer& buffer,
	bool ascending)
{
	// Only indexed geometry can be re-ordered; anything else keeps its order.
	if (m_indices <= 0)
		return;
	int const tricount = m_indices / 3;
	if (tricount < 1 || tricount > 0x10000)
		return;

	buffer.reset(tricount + m_indices, tricount);
	unsigned short* order = buffer.shorts();
	float* distances = buffer.floats();
	getTriangleDistances(camera, worldTm, boneTms, boneCount, order, distances, tricount);

	// NaN keys would break the ordering the sort relies on: they go last.
	for (int t = 0; t < tricount; ++t)
		if (std::isnan(distances[t]))
			distances[t] = ascending ? INFINITY : -INFINITY;

	if (ascending)
		std::sort(order, order + tricount, [distances](unsigned short a, unsigned short b) { return distances[a] < distances[b]; });
	else
		std::sort(order, order + tricount, [distances](unsigned short a, unsigned short b) { return distances[a] > distances[b]; });

	assert(ascending ? distances[order[tricount - 1]] >= distances[order[0]] : distances[order[tricount - 1]] <= distances[order[0]]);
	reorderTriangles(order, order + tricount);
}

void DIPrimitive::sortFrontToBack(math::float3 const& camera, math::float4x4 const& worldTm, math::float4x4 const* boneTms, int boneCount, SortBuffer& buffer)
{
	sortTriangles(camera, worldTm, boneTms, boneCount, buffer, true);
}

void DIPrimitive::sortBackToFront(math::float3 const& camera, math::float4x4 const& worldTm, math::float4x4 const* boneTms, int boneCount, SortBuffer& buffer)
{
	sortTriangles(camera, worldTm, boneTms, boneCount, buffer, false);
}

void DIPrimitive::sortInsideOut(SortBuffer& buffer)
{
	if (m_indices <= 0)
		return;
	sortTriangles(center(), math::float4x4(1.f), nullptr, 0, buffer, true);
}

void DIPrimitive::sortOutsideIn(SortBuffer& buffer)
{
	if (m_indices <= 0)
		return;
	sortTriangles(center(), math::float4x4(1.f), nullptr, 0, buffer, false);
}

} // gr
