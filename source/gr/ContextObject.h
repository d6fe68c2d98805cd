#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>

// <fcntl.h> names the kernel's long-gone mandatory locks LOCK_READ and
// LOCK_WRITE (macros, with _GNU_SOURCE); the lock modes below keep their
// names wherever that header came first.
#undef LOCK_READ
#undef LOCK_WRITE

namespace gr
{

/**
 * Base of every object a rendering context creates. Reference-counted and
 * lockable: objects whose data lives in memory that must be mapped override
 * lock/unlock; the base class has nothing to map and is always open.
 */
class ContextObject : public lang::Object
{
public:
	/** Kind of the object, fixed at construction. */
	enum ClassId
	{
		CLASSID_PRIMITIVE = 0,
		CLASSID_SHADER = 1,
		CLASSID_TEXTURE = 2,
		CLASSID_IMAGE = 4,
	};

	/** Lock modes, bit flags; an object open for both answers 3 from locked(). */
	enum LockType
	{
		LOCK_NONE = 0,
		LOCK_READ = 1,
		LOCK_WRITE = 2,
	};

	/**
	 * Scoped lock: holds a counted reference to the object, locks it at
	 * construction and unlocks it (then drops the reference) at destruction.
	 */
	class Lock
	{
	public:
		/** Asserts obj is not null, takes a reference and calls obj->lock(type). */
		Lock(ContextObject* obj, LockType type);

		/** Calls obj->unlock(), then drops the reference. */
		~Lock();

		Lock(Lock const&) = delete;
		Lock& operator=(Lock const&) = delete;

	private:
		lang::Ptr<ContextObject> m_obj;
	};

	explicit ContextObject(ClassId classId);
	~ContextObject() override;

	/** Opens the object's data; the base class does nothing. */
	virtual void lock(LockType type);

	/** Closes the object's data; the base class does nothing. */
	virtual void unlock();

	/** Current lock mode; the base class answers LOCK_READ | LOCK_WRITE. */
	virtual LockType locked() const;

	/** Kind of the object. */
	ClassId classId() const { return m_classId; }

private:
	ClassId m_classId;
};

/** Combination of lock modes, e.g. LOCK_READ | LOCK_WRITE. */
inline ContextObject::LockType operator|(ContextObject::LockType a, ContextObject::LockType b)
{
	return ContextObject::LockType(int(a) | int(b));
}

} // gr
