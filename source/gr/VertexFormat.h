#pragma once

#include <math/float4.h>

namespace gr
{

/**
 * Compact description of a vertex layout: for each of the twelve vertex
 * components (DataType) the storage format (DataFormat) it is kept in,
 * plus element and vertex alignment. Also holds the conversions between
 * every storage format and math::float4.
 */
class VertexFormat
{
public:
	/** Vertex components. */
	enum DataType
	{
		DT_POSITION,
		DT_POSITIONT,
		DT_BONEWEIGHTS,
		DT_BONEINDICES,
		DT_NORMAL,
		DT_DIFFUSE,
		DT_SPECULAR,
		DT_TEX0,
		DT_TEX1,
		DT_TEX2,
		DT_TEX3,
		DT_TANGENT,
		DT_SIZE
	};

	/** Number of texture coordinate layers (DT_TEX0..DT_TEX3). */
	enum { MAX_TEXCOORDS = 4 };

	/**
	 * Storage formats of one element. Integer formats hold signed values
	 * converted without normalisation. DF_V4_16F does not fit the 4-bit
	 * slot of a format; it serves only as a conversion argument.
	 */
	enum DataFormat
	{
		DF_NONE,
		DF_V1_32F,
		DF_V1_16,
		DF_V1_8,
		DF_V2_32F,
		DF_V2_16,
		DF_V2_8,
		DF_V3_32F,
		DF_V3_16,
		DF_V3_8,
		DF_V4_32F,
		DF_V4_16,
		DF_V4_8,
		DF_V4_5551,
		DF_V2_16F,
		DF_V3_16F,
		DF_V4_16F,
		DF_SIZE
	};

	/** All components absent, both alignments 1. */
	VertexFormat();

	/** Sets the storage format of one component (0..15). */
	void setDataFormat(DataType dt, DataFormat df);

	/** Sets DT_POSITION; asserts no position of either kind is set yet. */
	void addPosition(DataFormat df);

	/** Sets DT_DIFFUSE; asserts it is not set yet. */
	void addDiffuse(DataFormat df);

	/** Sets the first unset layer of DT_TEX0..DT_TEX3; asserts one is free. */
	void addTextureCoordinate(DataFormat df);

	/** Storage format of a component. */
	DataFormat getDataFormat(DataType dt) const;

	/** True when the component is present. */
	bool hasData(DataType dt) const { return getDataFormat(dt) != DF_NONE; }

	/** Number of leading texture layers set, starting at DT_TEX0 (0..4). */
	int textureCoordinates() const;

	/** Sets the element alignment: 1, 2, 4, 8 or 16. */
	void setAlignEach(int alignment);

	/** Element alignment. */
	int alignEach() const { return m_alignEach; }

	/** Bytes of one element of the format; 0 for unknown codes. */
	static int getDataSize(DataFormat df);

	/** Components of one element of the format; 0 for unknown codes. */
	static int getDataDim(DataFormat df);

	/** getDataSize rounded up to a multiple of align (1, 2, 4, 8 or 16). */
	static int getDataSizeAligned(DataFormat df, int align);

	/** Sum of the aligned element sizes, rounded up to the vertex alignment. */
	int vertexSize() const;

	/** True when the twelve component formats are equal; alignments are ignored. */
	bool operator==(VertexFormat const& other) const;
	bool operator!=(VertexFormat const& other) const { return !(*this == other); }

	/** Name of a component type; dt >= DT_SIZE is a fatal assertion. */
	static char const* toString(DataType dt);

	/**
	 * Reads one element into out. Components beyond the format's
	 * dimension are set to 0.
	 */
	static void getData(DataFormat df, void const* src, math::float4* out);

	/** Writes the leading components of v as one element. */
	static void setData(DataFormat df, void* dst, math::float4 const& v);

	/**
	 * Converting copy of count elements; pitches are bytes from one
	 * element to the next.
	 */
	static void copyData(void* dst, int dstPitch, DataFormat dstFormat, void const* src, int srcPitch, DataFormat srcFormat, int count);

	/** Decodes an IEEE 754 binary16 value exactly. */
	static float halfToFloat(unsigned short h);

	/** Encodes a float as IEEE 754 binary16, rounding half up in magnitude. */
	static unsigned short floatToHalf(float f);

private:
	unsigned char m_data[7];
	unsigned char m_alignVertex;
	unsigned char m_alignEach;
};

/** Names of VertexFormat::DataType, in value order. */
extern char const* const DATATYPE_NAMES[VertexFormat::DT_SIZE];

} // gr
