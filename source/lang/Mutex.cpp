#include "Mutex.h"

namespace lang
{

Mutex::MutexImpl::MutexImpl()
{
	pthread_mutexattr_t attr;
	pthread_mutexattr_init(&attr);
	pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
	pthread_mutex_init(&m_mutex, &attr);
	pthread_mutexattr_destroy(&attr);
}

Mutex::MutexImpl::~MutexImpl()
{
	pthread_mutex_destroy(&m_mutex);
}

Mutex::Mutex() : m_impl(new MutexImpl) {}

void Mutex::lock()
{
	pthread_mutex_lock(&m_impl->m_mutex);
}

void Mutex::unlock()
{
	pthread_mutex_unlock(&m_impl->m_mutex);
}

} // lang
