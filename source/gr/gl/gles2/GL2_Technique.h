#pragma once

#include <gr/gl/gles2/GL2_Pass.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

namespace gr
{
namespace gles2
{

/** A named technique of an effect: its passes in file order. */
class GL_Technique : public lang::Object
{
public:
	explicit GL_Technique(std::string const& name) : m_name(name) {}

	/** Copies the name and a clone of every pass (the clones share the programs). */
	GL_Technique(GL_Technique const& other);

	~GL_Technique() override;

	/** Appends pass (taking a reference). */
	void addPass(GL_Pass* pass);

	std::string const& name() const { return m_name; }

	int passes() const { return int(m_passes.size()); }

	GL_Pass* getPass(int i) const { return m_passes[i]; }

private:
	std::string m_name;
	std::vector<lang::Ptr<GL_Pass>> m_passes;

	GL_Technique& operator=(GL_Technique const&) = delete;
};

} // gles2
} // gr
