// Replaces the global operator new and delete of the benchmark program with
// counting ones, so that a benchmark can show that it allocates nothing.
#include "AllocationCount.h"
#include <atomic>
#include <cstdlib>
#include <new>

namespace
{

std::atomic<long> s_allocations(0);

} // namespace

long allocationCount()
{
	return s_allocations.load();
}

void* operator new(size_t size)
{
	s_allocations.fetch_add(1, std::memory_order_relaxed);
	if (void* p = std::malloc(size ? size : 1))
		return p;
	throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
	std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
	std::free(p);
}
