#pragma once

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's allocation hooks (its allocator_interface.h is not installed with this compiler).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(void const volatile*, std::size_t), void (*)(void const volatile*));
#endif

namespace test
{

/**
 * Records the largest single allocation of the process while it lives,
 * where the allocator can tell (only under the address sanitizer; 0
 * elsewhere). One at a time.
 */
class LargestAllocation
{
public:
	LargestAllocation()
	{
		largest() = 0;
#if defined(__SANITIZE_ADDRESS__)
		static bool const installed = __sanitizer_install_malloc_and_free_hooks(
			[](void const volatile*, std::size_t size) {
				std::size_t seen = largest().load();
				while (size > seen && !largest().compare_exchange_weak(seen, size))
				{
				}
			},
			[](void const volatile*) {}) != 0;
		(void)installed;
#endif
	}

	/** The largest allocation since this was made. */
	std::size_t bytes() const { return largest().load(); }

private:
	static std::atomic<std::size_t>& largest()
	{
		static std::atomic<std::size_t> s_largest{0};
		return s_largest;
	}
};

} // test
