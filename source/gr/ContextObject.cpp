#include <gr/ContextObject.h>
#include <cassert>

namespace gr
{

ContextObject::Lock::Lock(ContextObject* obj, LockType type)
{
	assert(obj);
	m_obj = obj;
	if (obj)
		obj->lock(type);
}

ContextObject::Lock::~Lock()
{
	if (m_obj)
		m_obj->unlock();
}

ContextObject::ContextObject(ClassId classId) : m_classId(classId)
{
}

ContextObject::~ContextObject()
{
}

void ContextObject::lock(LockType)
{
}

void ContextObject::unlock()
{
}

ContextObject::LockType ContextObject::locked() const
{
	return LOCK_READ | LOCK_WRITE;
}

} // gr
