#pragma once

#include "Object.h"
#include <pthread.h>
#include <utility>

namespace lang
{

/** Callable interface of thread bodies. */
class FuncBase
{
public:
	virtual ~FuncBase() {}

	/** Runs the body. */
	virtual void operator()() = 0;

	/** Returns a new heap copy of the same concrete function object. */
	virtual FuncBase* clone() const = 0;
};

/**
 * Binds an object pointer and one of its member functions without
 * arguments. The object is not owned.
 * @param R Result type of the member (discarded).
 * @param F Member-function pointer type.
 * @param T Object pointer type.
 */
template <class R, class F, class T>
class Func1 : public FuncBase
{
public:
	Func1(T obj, F func) : m_obj(obj), m_func(func) {}

	void operator()() override { (m_obj->*m_func)(); }

	FuncBase* clone() const override { return new Func1(*this); }

private:
	T m_obj;
	F m_func;
};

/**
 * Binds an object pointer, one of its member functions taking one argument
 * by const reference, and that argument stored by value.
 * @param R Result type of the member (discarded).
 * @param F Member-function pointer type.
 * @param T Object pointer type.
 * @param A Argument type.
 */
template <class R, class F, class T, class A>
class Func2 : public FuncBase
{
public:
	Func2(T obj, F func, A const& arg) : m_obj(obj), m_func(func), m_arg(arg) {}

	void operator()() override
	{
		A const& arg = m_arg;
		(m_obj->*m_func)(arg);
	}

	FuncBase* clone() const override { return new Func2(*this); }

private:
	T m_obj;
	F m_func;
	A m_arg;
};

/**
 * Owner of one heap function object, the value handed to lang::Thread.
 * Create the function object with new, wrap it in a Functor and construct
 * the Thread from it; the thread runs on its own clone, so the Functor may
 * go away at once. Copying a Functor clones the function object.
 */
class Functor
{
public:
	/** Takes ownership of func (may be null). */
	explicit Functor(FuncBase* func = nullptr) : m_func(func) {}

	Functor(Functor const& other) : m_func(other.m_func ? other.m_func->clone() : nullptr) {}

	Functor& operator=(Functor const& other)
	{
		if (this != &other)
		{
			FuncBase* copy = other.m_func ? other.m_func->clone() : nullptr;
			delete m_func;
			m_func = copy;
		}
		return *this;
	}

	~Functor() { delete m_func; }

	/** Runs the function object; does nothing when there is none. */
	void operator()() const
	{
		if (m_func)
			(*m_func)();
	}

	/** The function object held (still owned by this Functor). */
	FuncBase* function() const { return m_func; }

private:
	FuncBase* m_func;
};

/** Entry point of every thread: runs and then deletes the heap Functor it is given. */
void* threadFunc(void* functor);

/**
 * A thread that starts at construction, running its own clone of a
 * function object. With the join flag set, the destructor waits until the
 * body has returned; without it, the destructor returns at once and the
 * thread runs on by itself (detached).
 *
 * An exception escaping the body is caught and logged; it never ends the
 * process.
 */
class Thread : public Object
{
public:
	/**
	 * Clones the function object and starts the thread.
	 * @exception Exception "Creating thread failed".
	 */
	Thread(Functor const& func, bool join);

	/** Waits for the thread (join flag set) or lets it run on detached. */
	~Thread();

	/** Scheduling priority of the thread. */
	int priority() const;

	/** Sets the scheduling priority, keeping the scheduling policy. */
	void setPriority(int priority);

	/** Suspends the calling thread for ms milliseconds. */
	static void sleep(unsigned int ms);

	/** Gives the processor to another ready thread. */
	static void yield();

private:
	Functor* m_functor;
	pthread_t m_thread;
	bool m_join;

	void startThread();

	Thread(Thread const&) = delete;
	Thread& operator=(Thread const&) = delete;
};

} // lang
