#include "Object.h"
#include <cassert>

namespace lang
{

Object::~Object()
{
	assert(0 == m_refs);
}

} // lang
