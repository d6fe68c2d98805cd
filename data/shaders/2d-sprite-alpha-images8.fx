#define TEXTURED
#define PREMULTIPLIED
#define IMAGES8
technique Default
{
	pass P0
	{
#include "2d-states.fxh"
		EnableBlending = TRUE;
		BlendFuncSrc = ONE;
		BlendFuncDst = ONE_MINUS_SRC_ALPHA;
	}
}
