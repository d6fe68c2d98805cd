#include <gr/gl/gles2/GL2_Technique.h>
#include <cassert>

namespace gr
{
namespace gles2
{

GL_Technique::GL_Technique(GL_Technique const& other) : lang::Object(), m_name(other.m_name)
{
	for (lang::Ptr<GL_Pass> const& pass : other.m_passes)
	{
		assert(pass.ptr() && "m_ptr");
		m_passes.push_back(pass->clone());
	}
}

GL_Technique::~GL_Technique()
{
}

void GL_Technique::addPass(GL_Pass* pass)
{
	m_passes.push_back(pass);
}

} // gles2
} // gr
