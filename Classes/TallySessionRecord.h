#pragma once

#include <TallySessionState.h>
#include <lang/Mutex.h>
#include <lang/Object.h>
#include <functional>
#include <mutex>
#include <utility>

/**
 * A session's state with its one lock: everything that reads or changes the
 * state does so through read() or update(), each one step under the lock,
 * so report threads may read a session while the main thread changes it.
 * The lock is recursive, but a step should not call back into the session.
 */
class TallySessionRecord : public lang::Object
{
public:
	/**
	 * The answer of step (a callable, or a member pointer of the state) for
	 * the state, taken under the lock. The answer is returned by value: a
	 * reference into the state must not leave the step.
	 */
	template <class Step>
	auto read(Step&& step) const
	{
		std::lock_guard<lang::Mutex> lock(m_mutex);
		return std::invoke(std::forward<Step>(step), std::as_const(m_state));
	}

	/** Runs step on the state under the lock; returns its answer by value. */
	template <class Step>
	auto update(Step&& step)
	{
		std::lock_guard<lang::Mutex> lock(m_mutex);
		return std::invoke(std::forward<Step>(step), m_state);
	}

protected:
	TallySessionRecord() = default;
	explicit TallySessionRecord(TallySessionState state) : m_state(std::move(state)) {}

private:
	mutable lang::Mutex m_mutex;
	TallySessionState m_state;
};
