#include <gr/gl/gles2/GL2_Pass.h>
#include <cassert>

namespace gr
{
namespace gles2
{

GL_Pass::GL_Pass(std::string const& name) : m_name(name), m_platform(new GL_Shader_Platform)
{
}

GL_Pass::GL_Pass(GL_Pass const& other) : lang::Object(), m_state(other.m_state), m_name(other.m_name), m_platform(other.m_platform)
{
}

GL_Pass::~GL_Pass()
{
}

GL_Pass* GL_Pass::clone() const
{
	return new GL_Pass(*this);
}

void GL_Pass::addProperty(std::string const& key, std::string const& value)
{
	m_state.parse(key, value);
}

void GL_Pass::begin()
{
	assert(m_platform.ptr() && "m_ptr");
	m_platform->begin();
	m_state.begin(false);
}

void GL_Pass::end()
{
	assert(m_platform.ptr() && "m_ptr");
	m_platform->end();
}

} // gles2
} // gr
