#pragma once

#include <atomic>

namespace lang
{

/**
 * Base of every shared engine object. Holds an intrusive reference count
 * that lang::Ptr maintains; the count is atomic so that objects may be
 * shared between the main thread and worker threads.
 */
class Object
{
public:
	Object() : m_refs(0) {}

	/** A copy starts with its own count of 0: references are never copied. */
	Object(Object const&) : m_refs(0) {}

	/** Counts are never assigned. */
	Object& operator=(Object const&) { return *this; }

	/** Asserts that no reference is left. */
	virtual ~Object();

	/** Adds one reference. */
	void addReference() const { m_refs.fetch_add(1, std::memory_order_relaxed); }

	/** Drops one reference and destroys the object when it was the last. */
	void release() const
	{
		if (m_refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
		{
			m_refs.store(0, std::memory_order_relaxed);
			delete this;
		}
	}

	/** Number of references held now. */
	int references() const { return m_refs.load(std::memory_order_relaxed); }

private:
	mutable std::atomic<int> m_refs;
};

} // lang
