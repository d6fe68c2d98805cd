#include "SurfaceFormat.h"
#include "SurfaceFormatConvert.h"
#include "GraphicsException.h"
#include <lang/Format.h>
#include <cassert>
#include <cstring>
#include <vector>

namespace gr
{

namespace
{

typedef std::uint8_t u8;
typedef std::uint32_t u32;
typedef std::uint64_t u64;

inline u32 le16(u8 const* p)
{
	return u32(p[0]) | u32(p[1]) << 8;
}

inline u32 le32(u8 const* p)
{
	return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
}

/** The colour block at p as a DXTColBlock (the byte layout is little-endian). */
DXTColBlock readColBlock(u8 const* p)
{
	DXTColBlock b;
	b.col0 = std::uint16_t(le16(p));
	b.col1 = std::uint16_t(le16(p + 2));
	std::memcpy(b.row, p + 4, 4);
	return b;
}

/** The eight alpha values of a DXT5 alpha block. */
void dxt5AlphaPalette(u32 a0, u32 a1, u32* alpha)
{
	alpha[0] = a0;
	alpha[1] = a1;
	if (a0 > a1)
	{
		for (u32 i = 1; i <= 6; ++i)
			alpha[1 + i] = ((7 - i) * a0 + i * a1 + 3) / 7;
	}
	else
	{
		for (u32 i = 1; i <= 4; ++i)
			alpha[1 + i] = ((5 - i) * a0 + i * a1 + 2) / 5;
		alpha[6] = 0;
		alpha[7] = 255;
	}
}

/** The 48 bits of 3-bit DXT5 alpha indices. */
inline u64 dxt5AlphaBits(u8 const* block)
{
	u64 bits = 0;
	for (int i = 5; i >= 0; --i)
		bits = bits << 8 | block[2 + i];
	return bits;
}

} // namespace

void getBlockColorsA8R8G8B8(DXTColBlock const* block, unsigned int* colors, bool alwaysFourColours)
{
	u32 const c0 = block->col0;
	u32 const c1 = block->col1;
	u32 ch[2][3];
	for (int i = 0; i < 2; ++i)
	{
		u32 const c = i ? c1 : c0;
		ch[i][0] = ((c >> 11) & 31) * 255 / 31;
		ch[i][1] = ((c >> 5) & 63) * 255 / 63;
		ch[i][2] = (c & 31) * 255 / 31;
	}
	u32 mix[2][3];
	bool const four = alwaysFourColours || c0 > c1;
	for (int k = 0; k < 3; ++k)
	{
		if (four)
		{
			mix[0][k] = (2 * ch[0][k] + ch[1][k] + 1) / 3;
			mix[1][k] = (ch[0][k] + 2 * ch[1][k] + 1) / 3;
		}
		else
		{
			mix[0][k] = (ch[0][k] + ch[1][k]) / 2;
			mix[1][k] = 0;
		}
	}
	colors[0] = 0xFF000000u | ch[0][0] << 16 | ch[0][1] << 8 | ch[0][2];
	colors[1] = 0xFF000000u | ch[1][0] << 16 | ch[1][1] << 8 | ch[1][2];
	colors[2] = 0xFF000000u | mix[0][0] << 16 | mix[0][1] << 8 | mix[0][2];
	colors[3] = (four ? 0xFF000000u : 0u) | mix[1][0] << 16 | mix[1][1] << 8 | mix[1][2];
}

unsigned int getPixelDXT5(int x, int y, void const* src, int pitch)
{
	assert(x >= 0 && y >= 0);
	u8 const* block = static_cast<u8 const*>(src) + std::ptrdiff_t(y / 4) * pitch + std::ptrdiff_t(x / 4) * 16;
	int const bx = x & 3;
	int const by = y & 3;
	u32 colors[4];
	DXTColBlock const cb = readColBlock(block + 8);
	getBlockColorsA8R8G8B8(&cb, colors, true);
	u32 const colour = colors[(cb.row[by] >> (2 * bx)) & 3];
	u32 alpha[8];
	dxt5AlphaPalette(block[0], block[1], alpha);
	u32 const ix = u32(dxt5AlphaBits(block) >> (3 * (4 * by + bx))) & 7;
	return alpha[ix] << 24 | (colour & 0x00FFFFFF);
}

namespace detail
{

void decodeDXTBlock(SurfaceFormat::SurfaceFormatType type, u8 const* block, u32* out)
{
	u32 colors[4];
	if (type == SurfaceFormat::SURFACE_DXT1)
	{
		DXTColBlock const cb = readColBlock(block);
		getBlockColorsA8R8G8B8(&cb, colors, false);
		for (int y = 0; y < 4; ++y)
			for (int x = 0; x < 4; ++x)
				out[y * 4 + x] = colors[(cb.row[y] >> (2 * x)) & 3];
		return;
	}
	DXTColBlock const cb = readColBlock(block + 8);
	getBlockColorsA8R8G8B8(&cb, colors, true);
	if (type == SurfaceFormat::SURFACE_DXT3)
	{
		for (int y = 0; y < 4; ++y)
		{
			u32 const arow = le16(block + 2 * y);
			for (int x = 0; x < 4; ++x)
			{
				u32 const a = ((arow >> (4 * x)) & 15) * 255 / 15;
				out[y * 4 + x] = a << 24 | (colors[(cb.row[y] >> (2 * x)) & 3] & 0x00FFFFFF);
			}
		}
		return;
	}
	assert(type == SurfaceFormat::SURFACE_DXT5);
	u32 alpha[8];
	dxt5AlphaPalette(block[0], block[1], alpha);
	u64 const bits = dxt5AlphaBits(block);
	for (int y = 0; y < 4; ++y)
		for (int x = 0; x < 4; ++x)
		{
			u32 const a = alpha[(bits >> (3 * (4 * y + x))) & 7];
			out[y * 4 + x] = a << 24 | (colors[(cb.row[y] >> (2 * x)) & 3] & 0x00FFFFFF);
		}
}

void decodeETC1Block(u8 const* block, u32* out)
{
	static int const MODIFIERS[8][4] = {
		{2, 8, -2, -8},
		{5, 17, -5, -17},
		{9, 29, -9, -29},
		{13, 42, -13, -42},
		{18, 60, -18, -60},
		{24, 80, -24, -80},
		{33, 106, -33, -106},
		{47, 183, -47, -183},
	};
	int base[2][3];
	bool const diff = (block[3] & 2) != 0;
	bool const flip = (block[3] & 1) != 0;
	for (int k = 0; k < 3; ++k)
	{
		int const v = block[k];
		if (diff)
		{
			int const b1 = v >> 3;
			int delta = v & 7;
			if (delta >= 4)
				delta -= 8;
			// A sum outside 5 bits is invalid data; keep the low bits.
			int const b2 = (b1 + delta) & 31;
			base[0][k] = (b1 << 3) | (b1 >> 2);
			base[1][k] = (b2 << 3) | (b2 >> 2);
		}
		else
		{
			base[0][k] = (v >> 4) * 17;
			base[1][k] = (v & 15) * 17;
		}
	}
	int const table[2] = {block[3] >> 5, (block[3] >> 2) & 7};
	u32 const bits = u32(block[4]) << 24 | u32(block[5]) << 16 | u32(block[6]) << 8 | u32(block[7]);
	for (int x = 0; x < 4; ++x)
		for (int y = 0; y < 4; ++y)
		{
			int const i = x * 4 + y;
			int const ix = int((bits >> (i + 15)) & 2) | int((bits >> i) & 1);
			int const sub = flip ? (y >= 2) : (x >= 2);
			int const m = MODIFIERS[table[sub]][ix];
			u32 px = 0xFF000000u;
			for (int k = 0; k < 3; ++k)
			{
				int c = base[sub][k] + m;
				c = c < 0 ? 0 : c > 255 ? 255 : c;
				px |= u32(c) << (8 * k);
			}
			out[y * 4 + x] = px;
		}
}

} // detail

std::int64_t ETCTextureDecompress(void const* src, int const& width, int const& height, void* dst, int const&)
{
	assert(width >= 0 && height >= 0);
	if (width <= 0 || height <= 0)
		return 0;
	u8 const* s = static_cast<u8 const*>(src);
	u8* d = static_cast<u8*>(dst);
	int const bw = (width + 3) / 4;
	int const bh = (height + 3) / 4;
	std::ptrdiff_t const pitch = std::ptrdiff_t(width) * 4;
	u32 block[16];
	for (int by = 0; by < bh; ++by)
		for (int bx = 0; bx < bw; ++bx)
		{
			detail::decodeETC1Block(s + (std::ptrdiff_t(by) * bw + bx) * 8, block);
			// Partial blocks at the right and bottom edges are cut.
			int const w = width - bx * 4 < 4 ? width - bx * 4 : 4;
			int const h = height - by * 4 < 4 ? height - by * 4 : 4;
			for (int y = 0; y < h; ++y)
				std::memcpy(d + (by * 4 + y) * pitch + std::ptrdiff_t(bx) * 16, &block[y * 4], size_t(w) * 4);
		}
	return std::int64_t(bw) * bh * 8;
}

std::int64_t decompressETC(void const* src, unsigned const& width, unsigned const& height, void* dst, int const& unused)
{
	assert(width <= 0x7FFFFFFFu && height <= 0x7FFFFFFFu);
	int const w = int(width);
	int const h = int(height);
	return ETCTextureDecompress(src, w, h, dst, unused);
}

// PVRTC

namespace
{

bool isPowerOf2(unsigned v)
{
	return v && !(v & (v - 1));
}

/** Colour A of a word: 5-bit colour channels, 4-bit alpha. */
Pixel32 colourA(u32 colourData)
{
	Pixel32 p;
	if (colourData & 0x8000)
	{
		p.red = u8((colourData >> 10) & 31);
		p.green = u8((colourData >> 5) & 31);
		u32 const b = (colourData >> 1) & 15;
		p.blue = u8((b << 1) | (b >> 3));
		p.alpha = 15;
	}
	else
	{
		u32 const r = (colourData >> 8) & 15;
		u32 const g = (colourData >> 4) & 15;
		u32 const b = (colourData >> 1) & 7;
		p.red = u8((r << 1) | (r >> 3));
		p.green = u8((g << 1) | (g >> 3));
		p.blue = u8((b << 2) | (b >> 1));
		p.alpha = u8(((colourData >> 12) & 7) << 1);
	}
	return p;
}

/** Colour B of a word: 5-bit colour channels, 4-bit alpha. */
Pixel32 colourB(u32 colourData)
{
	Pixel32 p;
	if (colourData & 0x80000000u)
	{
		p.red = u8((colourData >> 26) & 31);
		p.green = u8((colourData >> 21) & 31);
		p.blue = u8((colourData >> 16) & 31);
		p.alpha = 15;
	}
	else
	{
		u32 const r = (colourData >> 24) & 15;
		u32 const g = (colourData >> 20) & 15;
		u32 const b = (colourData >> 16) & 15;
		p.red = u8((r << 1) | (r >> 3));
		p.green = u8((g << 1) | (g >> 3));
		p.blue = u8((b << 1) | (b >> 3));
		p.alpha = u8(((colourData >> 28) & 7) << 1);
	}
	return p;
}

} // namespace

void interpolateColours(Pixel32 const& P, Pixel32 const& Q, Pixel32 const& R, Pixel32 const& S,
	Pixel128S* pixels, int bpp)
{
	int const w = bpp == 2 ? 8 : 4;
	int const h = 4;
	for (int y = 0; y < h; ++y)
		for (int x = 0; x < w; ++x)
		{
			int const wp = (w - x) * (h - y);
			int const wq = x * (h - y);
			int const wr = (w - x) * y;
			int const ws = x * y;
			int const r = P.red * wp + Q.red * wq + R.red * wr + S.red * ws;
			int const g = P.green * wp + Q.green * wq + R.green * wr + S.green * ws;
			int const b = P.blue * wp + Q.blue * wq + R.blue * wr + S.blue * ws;
			int const a = P.alpha * wp + Q.alpha * wq + R.alpha * wr + S.alpha * ws;
			// The weights sum to w * h (16 or 32): widen 5-bit colour and
			// 4-bit alpha sums to 8 bits by bit replication.
			Pixel128S& out = pixels[y * w + x];
			if (bpp == 2)
			{
				out.red = (r >> 2) + (r >> 7);
				out.green = (g >> 2) + (g >> 7);
				out.blue = (b >> 2) + (b >> 7);
				out.alpha = (a >> 1) + (a >> 5);
			}
			else
			{
				out.red = (r >> 1) + (r >> 6);
				out.green = (g >> 1) + (g >> 6);
				out.blue = (b >> 1) + (b >> 6);
				out.alpha = a + (a >> 4);
			}
		}
}

void unpackModulations(PVRTCWord const& word, int offsetX, int offsetY,
	int modulationValues[16][8], int modulationModes[16][8], int bpp)
{
	u32 bits = word.modulationData;
	int mode = int(word.colourData & 1);
	if (bpp == 2)
	{
		if (mode)
		{
			// Stored values on a checkerboard; bit 0 of the first pixel
			// selects the averaging of the others.
			if (bits & 1)
			{
				mode = (bits & (1u << 20)) ? 3 : 2;
				if (bits & (1u << 21))
					bits |= 1u << 20;
				else
					bits &= ~(1u << 20);
			}
			if (bits & 2)
				bits |= 1;
			else
				bits &= ~1u;
			for (int y = 0; y < 4; ++y)
				for (int x = 0; x < 8; ++x)
				{
					modulationModes[x + offsetX][y + offsetY] = mode;
					if (((x ^ y) & 1) == 0)
					{
						modulationValues[x + offsetX][y + offsetY] = int(bits & 3);
						bits >>= 2;
					}
				}
		}
		else
		{
			for (int y = 0; y < 4; ++y)
				for (int x = 0; x < 8; ++x)
				{
					modulationModes[x + offsetX][y + offsetY] = 0;
					modulationValues[x + offsetX][y + offsetY] = (bits & 1) ? 3 : 0;
					bits >>= 1;
				}
		}
	}
	else
	{
		for (int y = 0; y < 4; ++y)
			for (int x = 0; x < 4; ++x)
			{
				modulationModes[x + offsetX][y + offsetY] = mode;
				modulationValues[x + offsetX][y + offsetY] = int(bits & 3);
				bits >>= 2;
			}
	}
}

int getModulationValues(int modulationValues[16][8], int modulationModes[16][8], int xPos, int yPos, int bpp)
{
	static int const WEIGHTS[4] = {0, 3, 5, 8};
	int const mode = modulationModes[xPos][yPos];
	if (bpp == 4)
	{
		// Punch-through words blend halfway for value 1 and 2.
		if (mode)
		{
			static int const PUNCH[4] = {0, 4, 4, 8};
			return PUNCH[modulationValues[xPos][yPos]];
		}
		return WEIGHTS[modulationValues[xPos][yPos]];
	}
	if (mode == 0 || ((xPos ^ yPos) & 1) == 0)
		return WEIGHTS[modulationValues[xPos][yPos]];
	// Pixels between the stored ones average their neighbours.
	int const left = WEIGHTS[modulationValues[xPos - 1][yPos]];
	int const right = WEIGHTS[modulationValues[xPos + 1][yPos]];
	int const up = WEIGHTS[modulationValues[xPos][yPos - 1]];
	int const down = WEIGHTS[modulationValues[xPos][yPos + 1]];
	if (mode == 1)
		return (left + right + up + down + 2) / 4;
	if (mode == 2)
		return (left + right + 1) / 2;
	return (up + down + 1) / 2;
}

unsigned TwiddleUV(unsigned XSize, unsigned YSize, unsigned XPos, unsigned YPos)
{
	assert(isPowerOf2(XSize));
	assert(isPowerOf2(YSize));
	assert(XPos < XSize);
	assert(YPos < YSize);
	unsigned const minSize = XSize < YSize ? XSize : YSize;
	unsigned twiddled = 0;
	unsigned bit = 1;
	int shift = 0;
	for (unsigned srcBit = 1; srcBit < minSize; srcBit <<= 1)
	{
		if (YPos & srcBit)
			twiddled |= bit;
		if (XPos & srcBit)
			twiddled |= bit << 1;
		bit <<= 2;
		++shift;
	}
	// The longer side's remaining bits follow in order.
	unsigned const rest = (XSize > YSize ? XPos : YPos) >> shift;
	return twiddled | rest << (2 * shift);
}

std::int64_t decompressPVRTC(void const* src, int do2bitMode, int width, int height, unsigned char* dst)
{
	assert(width >= 0 && height >= 0);
	if (width <= 0 || height <= 0)
		return 0;
	int const bpp = do2bitMode ? 2 : 4;
	int const wordW = do2bitMode ? 8 : 4;
	int const wordH = 4;
	int const pw = width < wordW * 2 ? wordW * 2 : width;
	int const ph = height < 8 ? 8 : height;
	if (!isPowerOf2(unsigned(pw)) || !isPowerOf2(unsigned(ph)))
		lang::throwError(GraphicsException(lang::Format("PVRTC surface of {0} x {1} pixels: sides must be powers of two", double(width), double(height))));
	unsigned const xs = unsigned(pw / wordW);
	unsigned const ys = unsigned(ph / wordH);
	u8 const* s = static_cast<u8 const*>(src);

	std::vector<Pixel32> padded;
	Pixel32* out;
	if (pw == width && ph == height)
	{
		out = reinterpret_cast<Pixel32*>(dst);
	}
	else
	{
		padded.resize(size_t(pw) * size_t(ph));
		out = padded.data();
	}

	auto word = [&](unsigned x, unsigned y) {
		u8 const* p = s + std::ptrdiff_t(TwiddleUV(xs, ys, x, y)) * 8;
		PVRTCWord w;
		w.modulationData = le32(p);
		w.colourData = le32(p + 4);
		return w;
	};

	int values[16][8] = {};
	int modes[16][8] = {};
	Pixel128S upA[32];
	Pixel128S upB[32];
	for (unsigned wy = 0; wy < ys; ++wy)
	{
		// Along a row of words the right-hand pair of one step is the
		// left-hand pair of the next: keep its colours and modulation.
		unsigned const ny = (wy + 1) & (ys - 1);
		PVRTCWord P = word(0, wy);
		PVRTCWord R = word(0, ny);
		Pixel32 colP[2] = {colourA(P.colourData), colourB(P.colourData)};
		Pixel32 colR[2] = {colourA(R.colourData), colourB(R.colourData)};
		unpackModulations(P, 0, 0, values, modes, bpp);
		unpackModulations(R, 0, wordH, values, modes, bpp);
		for (unsigned wx = 0; wx < xs; ++wx)
		{
			// The pixels between the centres of this word (P) and its right
			// (Q), lower (R) and lower-right (S) neighbours, wrapping at the
			// edges.
			unsigned const nx = (wx + 1) & (xs - 1);
			PVRTCWord const Q = word(nx, wy);
			PVRTCWord const S = word(nx, ny);
			Pixel32 const colQ[2] = {colourA(Q.colourData), colourB(Q.colourData)};
			Pixel32 const colS[2] = {colourA(S.colourData), colourB(S.colourData)};
			interpolateColours(colP[0], colQ[0], colR[0], colS[0], upA, bpp);
			interpolateColours(colP[1], colQ[1], colR[1], colS[1], upB, bpp);
			unpackModulations(Q, wordW, 0, values, modes, bpp);
			unpackModulations(S, wordW, wordH, values, modes, bpp);
			for (int y = 0; y < wordH; ++y)
			{
				int const ty = y + wordH / 2;
				int const py = int((wy * wordH + unsigned(ty)) & unsigned(ph - 1));
				Pixel32* row = out + std::ptrdiff_t(py) * pw;
				for (int x = 0; x < wordW; ++x)
				{
					int const tx = x + wordW / 2;
					unsigned const mod = unsigned(getModulationValues(values, modes, tx, ty, bpp));
					bool const punch = bpp == 4 && modes[tx][ty] && values[tx][ty] == 2;
					Pixel128S const& a = upA[y * wordW + x];
					Pixel128S const& b = upB[y * wordW + x];
					Pixel32 px;
					px.red = u8((unsigned(a.red) * (8 - mod) + unsigned(b.red) * mod) / 8);
					px.green = u8((unsigned(a.green) * (8 - mod) + unsigned(b.green) * mod) / 8);
					px.blue = u8((unsigned(a.blue) * (8 - mod) + unsigned(b.blue) * mod) / 8);
					px.alpha = punch ? 0 : u8((unsigned(a.alpha) * (8 - mod) + unsigned(b.alpha) * mod) / 8);
					row[(wx * unsigned(wordW) + unsigned(tx)) & unsigned(pw - 1)] = px;
				}
			}
			// Q and S become the next step's P and R.
			colP[0] = colQ[0], colP[1] = colQ[1];
			colR[0] = colS[0], colR[1] = colS[1];
			for (int x = 0; x < wordW; ++x)
			{
				std::memcpy(values[x], values[x + wordW], sizeof values[x]);
				std::memcpy(modes[x], modes[x + wordW], sizeof modes[x]);
			}
		}
	}

	if (out != reinterpret_cast<Pixel32*>(dst))
	{
		for (int y = 0; y < height; ++y)
			std::memcpy(dst + std::ptrdiff_t(y) * width * 4, out + std::ptrdiff_t(y) * pw, size_t(width) * 4);
	}
	return std::int64_t(xs) * ys * 8;
}

} // gr
