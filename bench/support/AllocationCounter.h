#pragma once

namespace benchsupport
{

/**
 * Number of heap allocations (operator new) the process has made so far.
 * Linking this replaces the global operator new and delete with counting
 * ones; read the counter before and after a frame to count its
 * allocations. Any thread.
 */
long allocations();

} // namespace benchsupport
