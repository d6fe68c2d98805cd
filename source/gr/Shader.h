#pragma once

#include <gr/ContextObject.h>
#include <math/float4.h>
#include <math/float4x4.h>
#include <string>

namespace gr
{

class BaseTexture;

/**
 * A material with named techniques and passes and typed parameters.
 * Drawing with a shader: n = begin(); for each pass i in 0..n-1:
 * beginPass(i), draw, endPass(); then end().
 */
class Shader : public ContextObject
{
public:
	/** Parameters the engine sets by type; names in PARAM_NAMES. */
	enum ParamType
	{
		PARAM_NONE,
		PARAM_CAMERAP,
		PARAM_WORLDTM,
		PARAM_VIEWTM,
		PARAM_VIEWTMINV,
		PARAM_VIEWPROJTM,
		PARAM_PROJTM,
		PARAM_TOTALTM,
		PARAM_BONEWORLDTM,
		PARAM_TIME,
		PARAM_LIGHTP0,
		PARAM_LIGHTP1,
		PARAM_LIGHTP2,
		PARAM_LIGHTP3,
		PARAM_LIGHTP4,
		PARAM_LIGHTP5,
		PARAM_LIGHTP6,
		PARAM_LIGHTP7,
		PARAM_LIGHTC0,
		PARAM_LIGHTC1,
		PARAM_LIGHTC2,
		PARAM_LIGHTC3,
		PARAM_LIGHTC4,
		PARAM_LIGHTC5,
		PARAM_LIGHTC6,
		PARAM_LIGHTC7,
		PARAM_COUNT
	};

	/** Triangle order a shader asks of the primitives it draws. */
	enum SortType
	{
		SORT_NONE = 0,
		SORT_BACKTOFRONT = 1,
		SORT_FRONTTOBACK = 2,
		SORT_INSIDEOUT = 3,
		SORT_OUTSIDEIN = 4,
	};

	Shader() : ContextObject(CLASSID_SHADER) {}

	/** Name of a parameter type; a value out of range is a fatal assertion. */
	static char const* toString(ParamType param);

	/** A new shader object copied from this one. */
	virtual Shader* clone() const = 0;

	/** Selects the named technique. */
	virtual void setTechnique(char const* name) = 0;

	/** False for null or empty names and unknown techniques. */
	virtual bool hasTechnique(char const* name) = 0;

	virtual void setTexture(ParamType param, BaseTexture* texture) = 0;
	virtual void setTexture(char const* name, BaseTexture* texture) = 0;
	virtual void setMatrix(ParamType param, math::float4x4 const& value) = 0;
	virtual void setMatrix(char const* name, math::float4x4 const& value) = 0;

	/** Array of matrices (bone transforms). */
	virtual void setMatrixArray(ParamType param, math::float4x4** values, int count) = 0;

	virtual void setVector(ParamType param, math::float4 const& value) = 0;
	virtual void setVector(char const* name, math::float4 const& value) = 0;
	virtual void setFloat(ParamType param, float value) = 0;
	virtual void setFloat(char const* name, float value) = 0;

	/** Null when the name is unknown. */
	virtual BaseTexture* getTexture(char const* name) = 0;

	/** All zero when the name is unknown. */
	virtual math::float4x4 getMatrix(char const* name) = 0;

	/** All zero when the name is unknown. */
	virtual math::float4 getVector(char const* name) = 0;

	/** 0 when the name is unknown. */
	virtual float getFloat(char const* name) = 0;

	/** Starts using the shader; returns the number of passes (0 when disabled). */
	virtual int begin() = 0;

	/** Applies one pass. */
	virtual void beginPass(int pass) = 0;

	virtual void endPass() = 0;
	virtual void end() = 0;
	virtual void setName(std::string const& name) = 0;
	virtual void setSort(SortType sort) = 0;

	/** Draw priority. */
	virtual int priority() const = 0;

	virtual SortType sort() const = 0;
	virtual bool enabled() const = 0;
	virtual std::string const& name() const = 0;
};

/** Names of Shader::ParamType, in value order. */
extern char const* const PARAM_NAMES[Shader::PARAM_COUNT];

} // gr
