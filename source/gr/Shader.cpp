#include <gr/Shader.h>
#include <cassert>

namespace gr
{

char const* const PARAM_NAMES[Shader::PARAM_COUNT] = {
	"NONE",
	"CAMERAP",
	"WORLDTM",
	"VIEWTM",
	"VIEWTMINV",
	"VIEWPROJTM",
	"PROJTM",
	"TOTALTM",
	"BONEWORLDTM",
	"TIME",
	"LIGHTP0",
	"LIGHTP1",
	"LIGHTP2",
	"LIGHTP3",
	"LIGHTP4",
	"LIGHTP5",
	"LIGHTP6",
	"LIGHTP7",
	"LIGHTC0",
	"LIGHTC1",
	"LIGHTC2",
	"LIGHTC3",
	"LIGHTC4",
	"LIGHTC5",
	"LIGHTC6",
	"LIGHTC7",
};

char const* Shader::toString(ParamType param)
{
	assert((unsigned)param < (unsigned)(sizeof(PARAM_NAMES) / sizeof(PARAM_NAMES[0])));
	if ((unsigned)param >= (unsigned)PARAM_COUNT)
		return "";
	return PARAM_NAMES[param];
}

} // gr
