#pragma once

#include <vector>

namespace gr
{

/**
 * Scratch arrays for triangle depth sorting, lent by a context to its
 * primitives. Grows as needed and never shrinks, so that sorting allocates
 * nothing once the buffer is large enough. Layout: the float area, then the
 * 16-bit area, then a four-byte guard "ok!\0" that sorting must leave intact.
 */
class SortBuffer
{
public:
	SortBuffer();
	~SortBuffer();

	/** Resizes to hold the given number of 16-bit and float entries. */
	void reset(int shorts, int floats);

	/** The 16-bit area (after reset). */
	unsigned short* shorts() { return m_shorts; }

	/** The float area (after reset). */
	float* floats() { return m_floats; }

	/** True when the guard bytes after the two areas are intact. */
	bool guardIntact() const;

	SortBuffer(SortBuffer const&) = delete;
	SortBuffer& operator=(SortBuffer const&) = delete;

private:
	std::vector<unsigned char> m_buf;
	unsigned short* m_shorts;
	float* m_floats;
};

} // gr
