#include "Throwable.h"
#include "Debug.h"
#include "OutOfMemoryException.h"
#include <cstdio>

namespace lang
{

Throwable::Throwable() {}

Throwable::Throwable(Format const& msg) : m_msg(msg)
{
	char buf[256];
	m_msg.format(buf, sizeof(buf));
	Debug::debug("Created Throwable( \"%s\" )\n", buf);
}

void Throwable::showExceptionDialog() const
{
	std::string text = m_msg.format();
	printf("EXCEPTION: %s\n", text.c_str());
}

void throw_OutOfMemoryException()
{
	throwError(OutOfMemoryException());
}

} // lang
