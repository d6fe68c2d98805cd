#pragma once

#include <gr/gl/gles2/GL2_Technique.h>
#include <gr/Shader.h>
#include <lang/Ptr.h>
#include <math/float4.h>
#include <math/float4x4.h>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gr
{
namespace gles2
{

class GL_ShaderHost;

/**
 * A material of the OpenGL ES 2.0 back end, read from an effect file:
 * techniques with passes, a draw priority, a triangle sort mode and five
 * lists of named parameters (floats, vectors, matrices, matrix arrays,
 * textures) that callers set at any time and that every beginPass pushes
 * into the pass's program. Textures are held by counted reference.
 *
 * Material keys of the effect file (case-insensitive): "priority" (an
 * integer kept in 8 signed bits) and "sort" ("none", "backtofront",
 * "fronttoback", "insideout", "outsidein").
 */
class GL_Shader : public Shader
{
public:
	/**
	 * Reads the effect file path (relative to the bundle) and selects its
	 * first technique.
	 * @param context The creating context, not owned; may be null.
	 * @exception GraphicsException "Error in effect: <path>\n\n<reason>".
	 */
	GL_Shader(GL_ShaderHost* context, std::string const& name, std::string const& path, int flags);

	/** Copies every field; techniques are deep-copied with shared programs. */
	GL_Shader(GL_Shader const& other);

	~GL_Shader() override;

	Shader* clone() const override;

	/** Null or empty selects "Default"; an unknown name disables the shader. */
	void setTechnique(char const* name) override;
	bool hasTechnique(char const* name) override;

	void setTexture(ParamType param, BaseTexture* texture) override;
	void setTexture(char const* name, BaseTexture* texture) override;
	void setMatrix(ParamType param, math::float4x4 const& value) override;
	void setMatrix(char const* name, math::float4x4 const& value) override;
	void setMatrixArray(ParamType param, math::float4x4** values, int count) override;
	void setVector(ParamType param, math::float4 const& value) override;
	void setVector(char const* name, math::float4 const& value) override;
	void setFloat(ParamType param, float value) override;
	void setFloat(char const* name, float value) override;

	/** Matrix array by name: count copies of *values[i]. */
	void setMatrixArray(char const* name, math::float4x4** values, int count);

	BaseTexture* getTexture(char const* name) override;
	math::float4x4 getMatrix(char const* name) override;
	math::float4 getVector(char const* name) override;
	float getFloat(char const* name) override;

	/** Flushes the 2D batch; the number of passes, 0 when disabled or without technique. */
	int begin() override;

	/** Applies pass i and pushes the named parameters into its program. */
	void beginPass(int pass) override;

	/**
	 * Ends the current pass.
	 * @exception GraphicsException "Rendering material \"<name>\" failed!\nReason: ...".
	 */
	void endPass() override;

	/** Nothing. */
	void end() override;

	void setName(std::string const& name) override;
	void setSort(SortType sort) override;
	int priority() const override;
	SortType sort() const override;
	bool enabled() const override;
	std::string const& name() const override;

	/** Disabled, no techniques, technique 0. */
	void reset();

	/** Appends technique; the same object twice is a programming error. */
	void addTechnique(GL_Technique* technique);

	/**
	 * A material key of the effect file.
	 * @exception GraphicsException "Unknown sort mode <value>", "Unknown property for shader: <key>".
	 */
	void addProperty(std::string const& key, std::string const& value);

	void setFilePath(std::string const& path);
	std::string const& filePath() const { return m_filePath; }
	int flags() const { return m_flags; }

	/** Techniques in file order. */
	std::vector<lang::Ptr<GL_Technique>> const& techniques() const { return m_techniques; }

	/** Index of the selected technique, -1 when none. */
	int techniqueIndex() const { return m_technique; }

private:
	GL_ShaderHost* m_context;
	std::vector<lang::Ptr<GL_Technique>> m_techniques;
	std::string m_name;
	std::string m_filePath;
	int m_flags;
	SortType m_sort;
	int8_t m_priority;
	int m_technique;
	GL_Pass* m_pass;
	bool m_enabled;
	std::vector<std::pair<std::string, float>> m_floats;
	std::vector<std::pair<std::string, math::float4>> m_vectors;
	std::vector<std::pair<std::string, math::float4x4>> m_matrices;
	std::vector<std::pair<std::string, std::vector<math::float4x4>>> m_matrixArrays;
	std::vector<std::pair<std::string, lang::Ptr<BaseTexture>>> m_textures;

	GL_Technique* currentTechnique() const;

	GL_Shader& operator=(GL_Shader const&) = delete;
};

} // gles2
} // gr
