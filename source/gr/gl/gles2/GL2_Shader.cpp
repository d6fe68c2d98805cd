#include <gr/gl/gles2/GL2_Shader.h>
#include <gr/gl/gles2/GL2_EffectParser.h>
#include <gr/gl/gles2/GL2_ShaderHost.h>
#include <gr/GraphicsException.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <lang/Integer.h>
#include <lang/String.h>
#include <algorithm>
#include <cassert>
#include <cstring>

namespace gr
{
namespace gles2
{

namespace
{

// Entry of a named-parameter list, appended when the name is new.
template <class T>
T& entry(std::vector<std::pair<std::string, T>>& list, char const* name)
{
	for (auto& e : list)
	{
		if (e.first == name)
			return e.second;
	}
	list.push_back(std::make_pair(std::string(name), T()));
	return list.back().second;
}

template <class T>
T const* find(std::vector<std::pair<std::string, T>> const& list, char const* name)
{
	for (auto const& e : list)
	{
		if (e.first == name)
			return &e.second;
	}
	return nullptr;
}

} // namespace

GL_Shader::GL_Shader(GL_ShaderHost* context, std::string const& name, std::string const& path, int flags) :
	m_context(context),
	m_name(name),
	m_flags(flags),
	m_sort(SORT_NONE),
	m_priority(0),
	m_technique(0),
	m_pass(nullptr),
	m_enabled(false)
{
	GL_EffectParser::readEffect(context, name, path, this);
	m_enabled = true;
}

GL_Shader::GL_Shader(GL_Shader const& other) :
	Shader(),
	m_context(other.m_context),
	m_name(other.m_name),
	m_filePath(other.m_filePath),
	m_flags(other.m_flags),
	m_sort(other.m_sort),
	m_priority(other.m_priority),
	m_technique(other.m_technique),
	m_pass(nullptr),
	m_enabled(other.m_enabled),
	m_floats(other.m_floats),
	m_vectors(other.m_vectors),
	m_matrices(other.m_matrices),
	m_matrixArrays(other.m_matrixArrays),
	m_textures(other.m_textures)
{
	for (lang::Ptr<GL_Technique> const& t : other.m_techniques)
		m_techniques.push_back(new GL_Technique(*t));
}

GL_Shader::~GL_Shader()
{
}

Shader* GL_Shader::clone() const
{
	return new GL_Shader(*this);
}

GL_Technique* GL_Shader::currentTechnique() const
{
	if (m_technique < 0 || m_technique >= int(m_techniques.size()))
		return nullptr;
	return m_techniques[m_technique];
}

void GL_Shader::setTechnique(char const* name)
{
	char const* wanted = name && *name ? name : "Default";
	for (size_t i = 0; i < m_techniques.size(); ++i)
	{
		if (m_techniques[i]->name() == wanted)
		{
			m_technique = int(i);
			m_enabled = true;
			return;
		}
	}
	m_technique = -1;
	m_enabled = false;
}

bool GL_Shader::hasTechnique(char const* name)
{
	if (!name || !*name)
		return false;
	for (lang::Ptr<GL_Technique> const& t : m_techniques)
	{
		if (t->name() == name)
			return true;
	}
	return false;
}

void GL_Shader::setTexture(ParamType param, BaseTexture* texture)
{
	setTexture(toString(param), texture);
}

void GL_Shader::setTexture(char const* name, BaseTexture* texture)
{
	entry(m_textures, name) = texture;
}

void GL_Shader::setMatrix(ParamType param, math::float4x4 const& value)
{
	if (m_sort != SORT_NONE && param == PARAM_WORLDTM && m_context)
		m_context->sortWorldTransform() = value;
	setMatrix(toString(param), value);
}

void GL_Shader::setMatrix(char const* name, math::float4x4 const& value)
{
	entry(m_matrices, name) = value;
}

void GL_Shader::setMatrixArray(ParamType param, math::float4x4** values, int count)
{
	if (m_sort != SORT_NONE && m_sort != SORT_INSIDEOUT && param == PARAM_BONEWORLDTM && m_context)
	{
		std::vector<math::float4x4>& bones = m_context->sortBoneTransforms();
		bones.resize(count > 0 ? count : 0);
		for (int i = 0; i < count; ++i)
			bones[i] = *values[i];
	}
	setMatrixArray(toString(param), values, count);
}

void GL_Shader::setMatrixArray(char const* name, math::float4x4** values, int count)
{
	std::vector<math::float4x4>& list = entry(m_matrixArrays, name);
	list.resize(count > 0 ? count : 0);
	for (int i = 0; i < count; ++i)
		list[i] = *values[i];
}

void GL_Shader::setVector(ParamType param, math::float4 const& value)
{
	if (m_sort != SORT_NONE && param == PARAM_CAMERAP && m_context)
		m_context->sortCameraPosition() = value;
	setVector(toString(param), value);
}

void GL_Shader::setVector(char const* name, math::float4 const& value)
{
	entry(m_vectors, name) = value;
}

void GL_Shader::setFloat(ParamType param, float value)
{
	setFloat(toString(param), value);
}

void GL_Shader::setFloat(char const* name, float value)
{
	entry(m_floats, name) = value;
}

BaseTexture* GL_Shader::getTexture(char const* name)
{
	lang::Ptr<BaseTexture> const* t = find(m_textures, name);
	return t ? t->ptr() : nullptr;
}

math::float4x4 GL_Shader::getMatrix(char const* name)
{
	math::float4x4 const* m = find(m_matrices, name);
	return m ? *m : math::float4x4(0.f);
}

math::float4 GL_Shader::getVector(char const* name)
{
	math::float4 const* v = find(m_vectors, name);
	return v ? *v : math::float4(0.f, 0.f, 0.f, 0.f);
}

float GL_Shader::getFloat(char const* name)
{
	float const* f = find(m_floats, name);
	return f ? *f : 0.f;
}

int GL_Shader::begin()
{
	if (!m_enabled)
		return 0;
	if (m_context)
		m_context->flushBatch();
	GL_Technique* technique = currentTechnique();
	return technique ? technique->passes() : 0;
}

void GL_Shader::beginPass(int pass)
{
	assert(m_enabled && "m_enabled");
	GL_Technique* technique = currentTechnique();
	assert(technique && pass >= 0 && pass < technique->passes() && "pass index");
	if (!m_enabled || !technique || pass < 0 || pass >= technique->passes())
		return;
	m_pass = technique->getPass(pass);
	m_pass->begin();

	GL_Shader_Platform* program = m_pass->getPlatform();
	for (auto const& f : m_floats)
		program->setFloat(f.first.c_str(), f.second);
	for (auto const& v : m_vectors)
		program->setVector(v.first.c_str(), v.second);
	for (auto const& m : m_matrices)
		program->setMatrix(m.first.c_str(), m.second);
	int unit = 0;
	for (auto const& t : m_textures)
		program->setTexture(t.first.c_str(), t.second.ptr(), unit++);
	for (auto const& a : m_matrixArrays)
	{
		if (!a.second.empty())
			program->setMatrixArray(a.first.c_str(), a.second.data(), int(a.second.size()));
	}
}

void GL_Shader::endPass()
{
	assert(m_enabled && "m_enabled");
	try
	{
		if (m_pass)
			m_pass->end();
	}
	catch (lang::Exception const& e)
	{
		m_pass = nullptr;
		lang::throwError(GraphicsException(lang::Format("Rendering material \"{0}\" failed!\nReason: {1}\n", m_name, e.getMessage().format())));
	}
	m_pass = nullptr;
}

void GL_Shader::end()
{
}

void GL_Shader::setName(std::string const& name)
{
	m_name = name;
}

void GL_Shader::setSort(SortType sort)
{
	m_sort = sort;
}

int GL_Shader::priority() const
{
	return m_priority;
}

Shader::SortType GL_Shader::sort() const
{
	return m_sort;
}

bool GL_Shader::enabled() const
{
	return m_enabled;
}

std::string const& GL_Shader::name() const
{
	return m_name;
}

void GL_Shader::reset()
{
	m_enabled = false;
	m_techniques.clear();
	m_technique = 0;
	m_pass = nullptr;
}

void GL_Shader::addTechnique(GL_Technique* technique)
{
	assert(std::find(m_techniques.begin(), m_techniques.end(), technique) == m_techniques.end() &&
		"std::find(m_techniques.begin(), m_techniques.end(), technique) == m_techniques.end()");
	m_techniques.push_back(technique);
}

void GL_Shader::addProperty(std::string const& key, std::string const& value)
{
	std::string k = lang::string::tolower(key);
	if (k == "priority")
	{
		m_priority = int8_t(lang::Integer::parse(value.c_str(), nullptr));
	}
	else if (k == "sort")
	{
		static char const* const names[] = {"none", "backtofront", "fronttoback", "insideout", "outsidein"};
		std::string v = lang::string::tolower(value);
		for (int i = 0; i < 5; ++i)
		{
			if (v == names[i])
			{
				m_sort = SortType(i);
				return;
			}
		}
		lang::throwError(GraphicsException(lang::Format("Unknown sort mode {0}", value)));
	}
	else
	{
		lang::throwError(GraphicsException(lang::Format("Unknown property for shader: {0}", key)));
	}
}

void GL_Shader::setFilePath(std::string const& path)
{
	m_filePath = path;
}

} // gles2
} // gr
