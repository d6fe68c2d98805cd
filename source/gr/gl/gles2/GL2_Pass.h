#pragma once

#include <gr/gl/gles2/GL2_ShaderPlatform.h>
#include <gr/gl/gles2/GL2_State.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace gr
{
namespace gles2
{

/**
 * One pass of an effect technique: a render-state record and the linked
 * program it draws with. Copies share the program (and its uniform caches).
 */
class GL_Pass : public lang::Object
{
public:
	/** Default render state and a new, empty program object. */
	explicit GL_Pass(std::string const& name);

	/** Copies the state and the name; shares the program object. */
	GL_Pass(GL_Pass const& other);

	~GL_Pass() override;

	/** A new pass made by the copy constructor. */
	GL_Pass* clone() const;

	/** The render-state record (its program field holds the linked program). */
	GL_State& getState() { return m_state; }
	GL_State const& getState() const { return m_state; }

	/** The program object. */
	GL_Shader_Platform* getPlatform() const { return m_platform; }

	std::string const& name() const { return m_name; }

	/**
	 * Sets one render-state field from an effect-file line.
	 * @exception GraphicsException See GL_State::parse.
	 */
	void addProperty(std::string const& key, std::string const& value);

	/** Makes the program current for uniform uploads, then applies the record with begin(false). */
	void begin();

	/** The program stops being the current one. */
	void end();

private:
	GL_State m_state;
	std::string m_name;
	lang::Ptr<GL_Shader_Platform> m_platform;

	GL_Pass& operator=(GL_Pass const&) = delete;
};

} // gles2
} // gr
