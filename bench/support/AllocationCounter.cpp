#include "AllocationCounter.h"
#include <atomic>
#include <cstdlib>
#include <new>

static std::atomic<long> g_allocations{0};

void* operator new(std::size_t size)
{
	g_allocations.fetch_add(1, std::memory_order_relaxed);
	if (void* p = std::malloc(size ? size : 1))
		return p;
	throw std::bad_alloc();
}

// The replaced operator new above takes its memory from malloc, so free is
// the matching release; the compiler cannot see that pairing.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
	std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
	std::free(p);
}
#pragma GCC diagnostic pop

namespace benchsupport
{

long allocations()
{
	return g_allocations.load(std::memory_order_relaxed);
}

} // namespace benchsupport
