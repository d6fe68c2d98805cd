#include "HeapPolicy.h"
// Any C library header names the C library (__GLIBC__).
#include <cstdlib>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace framework
{

namespace
{

int const MiB = 1024 * 1024;

// The free memory at the top of the heap that glibc keeps before it gives
// any back (its default is 128 KiB, raised by up to twice the largest
// block it has unmapped). The driver's memory for a frame of 2,000 sprites
// alternating two images comes and goes in about 4 MiB of heap a frame,
// and a frame that re-specifies a buffer for each of its 2,000 draws in
// 30 to 90 MiB; 64 MiB keeps what such frames free for the next one and
// still gives back what a rare larger release (a level's images) frees. It
// raises no peak: only memory that was in use can be kept.
int const TRIM_THRESHOLD = 64 * MiB;

// What the heap grows by beyond a request (default 128 KiB), and keeps
// when it is trimmed: 4 MiB takes a frame's growth in a step or two
// instead of tens of system calls. Untouched, it costs no resident memory;
// 16 MiB cost the sample game 6 MB of peak resident memory, 4 MiB nothing.
int const TOP_PAD = 4 * MiB;

// Blocks of at least this size are mapped of their own and unmapped when
// freed. Setting the trim threshold fixes glibc's sliding mmap threshold at
// its 128 KiB start, which would map and fault in every vertex buffer of a
// frame anew; 4 MiB keeps the driver's per-frame blocks on the heap, where
// they are reused, while large one-off blocks (decoded images, screenshots
// of large frames) still go back to the system when freed.
int const MMAP_THRESHOLD = 4 * MiB;

} // namespace

bool setProgramHeapPolicy()
{
#if defined(__GLIBC__)
	bool ok = mallopt(M_MMAP_THRESHOLD, MMAP_THRESHOLD) == 1;
	ok = mallopt(M_TOP_PAD, TOP_PAD) == 1 && ok;
	ok = mallopt(M_TRIM_THRESHOLD, TRIM_THRESHOLD) == 1 && ok;
	return ok;
#else
	return false;
#endif
}

} // framework
