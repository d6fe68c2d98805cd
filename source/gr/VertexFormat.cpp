#include <gr/VertexFormat.h>
#include <math/float4.h>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace gr
{

char const* const DATATYPE_NAMES[VertexFormat::DT_SIZE] = {
	"DT_POSITION",
	"DT_POSITIONT",
	"DT_BONEWEIGHTS",
	"DT_BONEINDICES",
	"DT_NORMAL",
	"DT_DIFFUSE",
	"DT_SPECULAR",
	"DT_TEX0",
	"DT_TEX1",
	"DT_TEX2",
	"DT_TEX3",
	"DT_TANGENT",
};

namespace
{

/** Storage kinds of the element formats. */
enum Kind
{
	KIND_NONE,
	KIND_F32,
	KIND_I16,
	KIND_I8,
	KIND_5551,
	KIND_F16,
};

struct FormatInfo
{
	int size;
	int dim;
	Kind kind;
};

FormatInfo const FORMATS[VertexFormat::DF_SIZE] = {
	{0, 0, KIND_NONE},  // DF_NONE
	{4, 1, KIND_F32},   // DF_V1_32F
	{2, 1, KIND_I16},   // DF_V1_16
	{1, 1, KIND_I8},    // DF_V1_8
	{8, 2, KIND_F32},   // DF_V2_32F
	{4, 2, KIND_I16},   // DF_V2_16
	{2, 2, KIND_I8},    // DF_V2_8
	{12, 3, KIND_F32},  // DF_V3_32F
	{6, 3, KIND_I16},   // DF_V3_16
	{3, 3, KIND_I8},    // DF_V3_8
	{16, 4, KIND_F32},  // DF_V4_32F
	{8, 4, KIND_I16},   // DF_V4_16
	{4, 4, KIND_I8},    // DF_V4_8
	{2, 4, KIND_5551},  // DF_V4_5551
	{4, 2, KIND_F16},   // DF_V2_16F
	{6, 3, KIND_F16},   // DF_V3_16F
	{8, 4, KIND_F16},   // DF_V4_16F
};

FormatInfo const NO_FORMAT = {0, 0, KIND_NONE};

FormatInfo const& info(VertexFormat::DataFormat df)
{
	if ((unsigned)df < (unsigned)VertexFormat::DF_SIZE)
		return FORMATS[df];
	return NO_FORMAT;
}

bool validAlignment(int a)
{
	return a == 1 || a == 2 || a == 4 || a == 8 || a == 16;
}

/** Truncation toward zero, saturating at the 32-bit limits; NaN gives 0. */
int32_t toInt(float f)
{
	if (std::isnan(f))
		return 0;
	if (f >= 2147483648.0f)
		return INT32_MAX;
	if (f <= -2147483648.0f)
		return INT32_MIN;
	return int32_t(f);
}

// Elements may sit at any address in caller data, so every load and store
// goes through memcpy.
template <class T>
T load(unsigned char const* p)
{
	T v;
	std::memcpy(&v, p, sizeof(T));
	return v;
}

template <class T>
void store(unsigned char* p, T v)
{
	std::memcpy(p, &v, sizeof(T));
}

void read(VertexFormat::DataFormat df, void const* src, float out[4])
{
	out[0] = out[1] = out[2] = out[3] = 0.f;
	FormatInfo const& fi = info(df);
	unsigned char const* s = static_cast<unsigned char const*>(src);
	switch (fi.kind)
	{
	case KIND_NONE:
		break;
	case KIND_F32:
		for (int i = 0; i < fi.dim; ++i)
			out[i] = load<float>(s + 4 * i);
		break;
	case KIND_I16:
		for (int i = 0; i < fi.dim; ++i)
			out[i] = float(load<int16_t>(s + 2 * i));
		break;
	case KIND_I8:
		for (int i = 0; i < fi.dim; ++i)
			out[i] = float(load<int8_t>(s + i));
		break;
	case KIND_5551:
	{
		unsigned const w = load<uint16_t>(s);
		out[0] = float(w & 31);
		out[1] = float((w >> 5) & 31);
		out[2] = float((w >> 10) & 31);
		out[3] = float((w >> 15) & 1);
		break;
	}
	case KIND_F16:
		for (int i = 0; i < fi.dim; ++i)
			out[i] = VertexFormat::halfToFloat(load<uint16_t>(s + 2 * i));
		break;
	}
}

void write(VertexFormat::DataFormat df, void* dst, float const v[4])
{
	FormatInfo const& fi = info(df);
	unsigned char* d = static_cast<unsigned char*>(dst);
	switch (fi.kind)
	{
	case KIND_NONE:
		break;
	case KIND_F32:
		for (int i = 0; i < fi.dim; ++i)
			store<float>(d + 4 * i, v[i]);
		break;
	case KIND_I16:
		for (int i = 0; i < fi.dim; ++i)
			store<int16_t>(d + 2 * i, int16_t(uint16_t(uint32_t(toInt(v[i])))));
		break;
	case KIND_I8:
		for (int i = 0; i < fi.dim; ++i)
			store<int8_t>(d + i, int8_t(uint8_t(uint32_t(toInt(v[i])))));
		break;
	case KIND_5551:
	{
		uint32_t w = (uint32_t(toInt(v[0])) & 31) | (uint32_t(toInt(v[1])) & 31) << 5 | (uint32_t(toInt(v[2])) & 31) << 10;
		if (toInt(v[3]) != 0)
			w |= 0x8000;
		store<uint16_t>(d, uint16_t(w));
		break;
	}
	case KIND_F16:
		for (int i = 0; i < fi.dim; ++i)
			store<uint16_t>(d + 2 * i, VertexFormat::floatToHalf(v[i]));
		break;
	}
}

} // namespace

VertexFormat::VertexFormat() : m_alignVertex(1), m_alignEach(1)
{
	std::memset(m_data, 0, sizeof(m_data));
}

void VertexFormat::setDataFormat(DataType dt, DataFormat value)
{
	assert((unsigned)dt < sizeof(m_data) * 2);
	assert(value >= 0 && value <= 0xF);
	if ((unsigned)dt >= sizeof(m_data) * 2 || value < 0 || value > 0xF)
		return;
	unsigned char& b = m_data[dt >> 1];
	if (dt & 1)
		b = (unsigned char)((b & 0x0F) | (value << 4));
	else
		b = (unsigned char)((b & 0xF0) | value);
}

void VertexFormat::addPosition(DataFormat df)
{
	assert(getDataFormat(DT_POSITION) == DF_NONE);
	assert(getDataFormat(DT_POSITIONT) == DF_NONE);
	setDataFormat(DT_POSITION, df);
}

void VertexFormat::addDiffuse(DataFormat df)
{
	assert(getDataFormat(DT_DIFFUSE) == DF_NONE);
	setDataFormat(DT_DIFFUSE, df);
}

void VertexFormat::addTextureCoordinate(DataFormat df)
{
	int layer = 0;
	while (layer < MAX_TEXCOORDS && hasData(DataType(DT_TEX0 + layer)))
		++layer;
	assert(layer < MAX_TEXCOORDS && "Too many texture coordinate layers in vertex format");
	if (layer < MAX_TEXCOORDS)
		setDataFormat(DataType(DT_TEX0 + layer), df);
}

VertexFormat::DataFormat VertexFormat::getDataFormat(DataType dt) const
{
	assert((unsigned)dt < (unsigned)DT_SIZE);
	if ((unsigned)dt >= (unsigned)DT_SIZE)
		return DF_NONE;
	unsigned char const b = m_data[dt >> 1];
	return DataFormat((dt & 1) ? (b >> 4) : (b & 0x0F));
}

int VertexFormat::textureCoordinates() const
{
	int n = 0;
	while (n < MAX_TEXCOORDS && hasData(DataType(DT_TEX0 + n)))
		++n;
	return n;
}

void VertexFormat::setAlignEach(int alignment)
{
	assert(alignment == 1 || alignment == 2 || alignment == 4 || alignment == 8 || alignment == 16);
	m_alignEach = (unsigned char)alignment;
}

int VertexFormat::getDataSize(DataFormat df)
{
	return info(df).size;
}

int VertexFormat::getDataDim(DataFormat df)
{
	return info(df).dim;
}

int VertexFormat::getDataSizeAligned(DataFormat df, int align)
{
	assert(align == 1 || align == 2 || align == 4 || align == 8 || align == 16);
	if (!validAlignment(align))
		align = 1;
	return (getDataSize(df) + align - 1) & ~(align - 1);
}

int VertexFormat::vertexSize() const
{
	int size = 0;
	for (int dt = 0; dt < DT_SIZE; ++dt)
		size += getDataSizeAligned(getDataFormat(DataType(dt)), m_alignEach);
	int const a = m_alignVertex;
	return (size + a - 1) / a * a;
}

bool VertexFormat::operator==(VertexFormat const& other) const
{
	for (int dt = 0; dt < DT_SIZE; ++dt)
		if (getDataFormat(DataType(dt)) != other.getDataFormat(DataType(dt)))
			return false;
	return true;
}

char const* VertexFormat::toString(DataType dt)
{
	assert(dt < DT_SIZE);
	if ((unsigned)dt >= (unsigned)DT_SIZE)
		return "";
	return DATATYPE_NAMES[dt];
}

void VertexFormat::getData(DataFormat df, void const* src, math::float4* out)
{
	float v[4];
	read(df, src, v);
	*out = math::float4(v[0], v[1], v[2], v[3]);
}

void VertexFormat::setData(DataFormat df, void* dst, math::float4 const& v)
{
	float const f[4] = {v.x, v.y, v.z, v.w};
	write(df, dst, f);
}

void VertexFormat::copyData(void* dst, int dstPitch, DataFormat dstFormat, void const* src, int srcPitch, DataFormat srcFormat, int count)
{
	unsigned char* d = static_cast<unsigned char*>(dst);
	unsigned char const* s = static_cast<unsigned char const*>(src);
	if (dstFormat == srcFormat)
	{
		int const size = getDataSize(srcFormat);
		if (size == 0 || count <= 0)
			return;
		if (srcPitch == size && dstPitch == size)
		{
			std::memmove(d, s, std::size_t(size) * std::size_t(count));
			return;
		}
		for (int i = 0; i < count; ++i)
			std::memmove(d + std::ptrdiff_t(i) * dstPitch, s + std::ptrdiff_t(i) * srcPitch, std::size_t(size));
		return;
	}
	for (int i = 0; i < count; ++i)
	{
		float v[4];
		read(srcFormat, s + std::ptrdiff_t(i) * srcPitch, v);
		write(dstFormat, d + std::ptrdiff_t(i) * dstPitch, v);
	}
}

float VertexFormat::halfToFloat(unsigned short h)
{
	uint32_t const sign = uint32_t(h & 0x8000) << 16;
	uint32_t const exp = (h >> 10) & 0x1F;
	uint32_t const mant = h & 0x3FF;
	if (exp == 0)
	{
		// Zero or subnormal: mant * 2^-24, exact in single precision.
		float const f = std::ldexp(float(mant), -24);
		return sign ? -f : f;
	}
	uint32_t bits;
	if (exp == 31)
		bits = sign | 0x7F800000u | (mant << 13);
	else
		bits = sign | ((exp - 15 + 127) << 23) | (mant << 13);
	float f;
	std::memcpy(&f, &bits, sizeof(f));
	return f;
}

unsigned short VertexFormat::floatToHalf(float f)
{
	uint32_t bits;
	std::memcpy(&bits, &f, sizeof(bits));
	uint32_t const sign = (bits >> 16) & 0x8000;
	int const fexp = int((bits >> 23) & 0xFF);
	uint32_t mant = bits & 0x7FFFFF;

	if (fexp == 0xFF)
	{
		if (mant == 0)
			return (unsigned short)(sign | 0x7C00);
		// NaN: keep the top of the payload, never let it become zero.
		mant >>= 13;
		if (mant == 0)
			mant = 1;
		return (unsigned short)(sign | 0x7C00 | mant);
	}

	// Zeros are exact, with their sign.
	if (fexp == 0 && mant == 0)
		return (unsigned short)sign;

	int exp = fexp - 127 + 15;
	if (exp <= 0)
	{
		// Too small even for a subnormal after rounding: +0.
		if (exp < -10)
			return 0;
		mant = (mant | 0x800000) >> (1 - exp);
		if (mant & 0x1000)
			mant += 0x2000;
		// A carry out of the subnormal range lands on the smallest normal.
		return (unsigned short)(sign | (mant >> 13));
	}

	if (mant & 0x1000)
	{
		mant += 0x2000;
		if (mant & 0x800000)
		{
			mant = 0;
			++exp;
		}
	}
	if (exp > 30)
		return (unsigned short)(sign | 0x7C00);
	return (unsigned short)(sign | (uint32_t(exp) << 10) | (mant >> 13));
}

} // gr
