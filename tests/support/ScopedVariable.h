#pragma once

#include <cstdlib>
#include <string>

namespace test
{

/** Sets an environment variable for its lifetime, then restores the old value (or unsets it). Main thread. */
class ScopedVariable
{
public:
	ScopedVariable(char const* name, char const* value) : m_name(name)
	{
		char const* old = getenv(name);
		m_had = old != nullptr;
		if (old)
			m_old = old;
		setenv(name, value, 1);
	}

	~ScopedVariable()
	{
		if (m_had)
			setenv(m_name.c_str(), m_old.c_str(), 1);
		else
			unsetenv(m_name.c_str());
	}

	ScopedVariable(ScopedVariable const&) = delete;
	ScopedVariable& operator=(ScopedVariable const&) = delete;

private:
	std::string m_name;
	std::string m_old;
	bool m_had;
};

} // test
