#pragma once

namespace framework
{

/**
 * The heap policy of the engine's programs: the C library keeps the memory
 * a frame frees for the next frame instead of handing it back to the
 * system and faulting it in again (HeapPolicy.cpp gives the settings and
 * why). Without it the GL driver's per-frame allocations trim and regrow
 * the heap every frame, which under load costs most of a busy frame.
 *
 * Process-wide: a program sets it once, first thing in main, before other
 * threads start. A library never calls it: it would change the heap of
 * whatever program loads the library.
 *
 * @return True when every setting took; false where the C library is not
 *         glibc (nothing is set).
 */
bool setProgramHeapPolicy();

} // framework
