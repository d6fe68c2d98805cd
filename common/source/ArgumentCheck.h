#pragma once

#include <lang/Format.h>
#include <lua/LuaException.h>
#include <cmath>
#include <initializer_list>
#include <string>

/** A number for an error message: NaN of either sign reads "nan". */
inline lang::Formattable numberText(float value)
{
	if (std::isnan(value))
		return lang::Formattable("nan");
	return lang::Formattable(value);
}

/**
 * Refuses a script's number that the physics world cannot take.
 * @exception lua::LuaException "<function>: value of "<name>" is <value>" unless every value is finite.
 */
inline void requireFinite(char const* function, std::string const& name, std::initializer_list<float> values)
{
	for (float value : values)
	{
		if (!std::isfinite(value))
			throw lua::LuaException(lang::Format("{0}: value of \"{1}\" is {2}", function, name, numberText(value)));
	}
}
