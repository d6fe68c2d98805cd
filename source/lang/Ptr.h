#pragma once

#include <cassert>
#include <cstddef>

namespace lang
{

/**
 * Intrusive smart pointer over lang::Object (or any class with
 * addReference() and release()). An empty pointer holds null;
 * dereferencing it is a programming error.
 */
template <class T>
class Ptr
{
public:
	Ptr() : m_ptr(nullptr) {}
	Ptr(std::nullptr_t) : m_ptr(nullptr) {}

	Ptr(T* p) : m_ptr(p)
	{
		if (m_ptr)
			m_ptr->addReference();
	}

	Ptr(Ptr const& other) : m_ptr(other.m_ptr)
	{
		if (m_ptr)
			m_ptr->addReference();
	}

	template <class U>
	Ptr(Ptr<U> const& other) : m_ptr(other.ptr())
	{
		if (m_ptr)
			m_ptr->addReference();
	}

	Ptr(Ptr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }

	~Ptr()
	{
		if (m_ptr)
			m_ptr->release();
	}

	/** Takes the new reference before dropping the old one, so p = p is safe. */
	Ptr& operator=(T* p)
	{
		if (p)
			p->addReference();
		T* old = m_ptr;
		m_ptr = p;
		if (old)
			old->release();
		return *this;
	}

	Ptr& operator=(Ptr const& other) { return *this = other.m_ptr; }

	template <class U>
	Ptr& operator=(Ptr<U> const& other) { return *this = other.ptr(); }

	Ptr& operator=(Ptr&& other) noexcept
	{
		if (this != &other)
		{
			T* old = m_ptr;
			m_ptr = other.m_ptr;
			other.m_ptr = nullptr;
			if (old)
				old->release();
		}
		return *this;
	}

	/** Drops the reference held. */
	void reset() { *this = static_cast<T*>(nullptr); }

	T& operator*() const
	{
		assert(m_ptr);
		return *m_ptr;
	}

	T* operator->() const
	{
		assert(m_ptr);
		return m_ptr;
	}

	T* ptr() const { return m_ptr; }
	T* get() const { return m_ptr; }
	operator T*() const { return m_ptr; }

private:
	T* m_ptr;
};

} // lang
