#pragma once

#include <gr/BaseTexture.h>
#include <gr/VertexFormat.h>
#include <lang/Object.h>
#include <math/float4.h>
#include <math/float4x4.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gr
{
namespace gles2
{

/**
 * One linked GLSL program of an effect pass: compiles the vertex and
 * fragment sources, links them, finds the program's vertex attributes
 * (named after gr::VertexFormat data types, "DT_POSITION", "DT_TEX0", ...)
 * and uniforms, and uploads uniform values while remembering the last value
 * set at each location, so that repeating a value costs no GL call.
 *
 * Uniform uploads go to the program in use: set values only between the
 * pass's begin() and end(). Passes and shader clones that share one program
 * object share its caches. Main thread, GL context current.
 */
class GL_Shader_Platform : public lang::Object
{
public:
	/** The program of the pass being drawn; null outside a pass. */
	static GL_Shader_Platform* sm_currentPlatformShader;

	/** No shaders, no program. */
	GL_Shader_Platform();

	/** Deletes the shaders and the program. */
	~GL_Shader_Platform() override;

	/**
	 * Compiles a vertex shader.
	 * @param source The text followed by one NUL.
	 * @param path Named in messages only.
	 * @return The GL shader name.
	 * @exception GraphicsException "Failed to compile vertex shader: <path>\n\n<GL log>".
	 */
	unsigned int compileVertexShader(std::vector<char> const& source, std::string const& path);

	/** As compileVertexShader, for a fragment shader ("Failed to compile fragment shader: ..."). */
	unsigned int compilePixelShader(std::vector<char> const& source, std::string const& path);

	/** Keeps the vertex shader; it may be set once. */
	void setVertexShader(unsigned int shader);

	/** Keeps the fragment shader; it may be set once. */
	void setPixelShader(unsigned int shader);

	/** The vertex shader kept, 0 when none. */
	unsigned int vertexShader() const { return m_vertexShader; }

	/** The fragment shader kept, 0 when none. */
	unsigned int pixelShader() const { return m_pixelShader; }

	/**
	 * Links vertex and pixel into the program and lists its attributes and
	 * uniforms. A program may be linked once.
	 * @exception GraphicsException "Failed to link shader!\n\n<GL log>".
	 */
	void createShaderProgram(unsigned int vertex, unsigned int pixel);

	/** The GL program name, 0 until linked. */
	unsigned int getProgramObject() const { return m_program; }

	/** Attribute location of a vertex data type; -1 when the program has none. */
	int getAttribLocation(VertexFormat::DataType type) const;

	/** The active uniforms as (location, name); array uniforms under their bare name. */
	std::vector<std::pair<int, std::string>> const& uniforms() const { return m_uniforms; }

	/** Location of the uniform named name, -1 when the program has none. */
	int getUniformLocation(char const* name) const;

	/**
	 * This program becomes sm_currentPlatformShader. The constant value of
	 * its "DT_DIFFUSE" attribute becomes opaque white, the colour of vertices
	 * drawn without a colour stream.
	 */
	void begin();

	/** sm_currentPlatformShader becomes null. */
	void end();

	/**
	 * Cached upload of a float; location -1 does nothing. The value setters
	 * skip a location whose uniform has another type (the GLSL comes from
	 * data files, and a mismatch would be a GL error).
	 */
	void setFloat(int location, float value);

	/** Cached upload of a vector. */
	void setVector(int location, math::float4 const& value);

	/** Cached upload of a matrix; the GL receives it transposed to its column order. */
	void setMatrix(int location, math::float4x4 const& value);

	/**
	 * Binds texture on texture unit unit (below 8) through the state shadow
	 * and points the sampler at location to that unit. A null texture, or one
	 * without a GL texture, binds texture 0.
	 */
	void setTexture(int location, BaseTexture const* texture, int unit);

	void setFloat(char const* name, float value);
	void setVector(char const* name, math::float4 const& value);
	void setMatrix(char const* name, math::float4x4 const& value);
	void setTexture(char const* name, BaseTexture const* texture, int unit);

	/**
	 * Uploads count matrices as stored (not transposed, not cached) to the
	 * named uniform array; no more than the array holds.
	 */
	void setMatrixArray(char const* name, math::float4x4 const* matrices, int count);

private:
	int m_attribLocations[VertexFormat::DT_SIZE];
	unsigned int m_vertexShader;
	unsigned int m_pixelShader;
	unsigned int m_program;
	std::vector<std::pair<int, std::string>> m_uniforms;
	std::map<unsigned int, float> m_floatCache;
	std::map<unsigned int, math::float4> m_vectorCache;
	std::map<unsigned int, math::float4x4> m_matrixCache;
	std::map<unsigned int, unsigned int> m_textureUnitCache;
	/** GL type and array size of each active uniform location. */
	std::map<int, std::pair<unsigned int, int>> m_uniformTypes;

	/** Whether the uniform at location has one of the types listed (a zero-ended list). */
	bool hasType(int location, unsigned int const* types) const;

	unsigned int compile(unsigned int type, std::vector<char> const& source, std::string const& path);

	GL_Shader_Platform(GL_Shader_Platform const&) = delete;
	GL_Shader_Platform& operator=(GL_Shader_Platform const&) = delete;
};

} // gles2
} // gr
