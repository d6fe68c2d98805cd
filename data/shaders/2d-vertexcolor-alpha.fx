
technique Default
{
	pass P0
	{
#include "2d-states.fxh"
		EnableBlending = TRUE;
		BlendFuncSrc = SRC_ALPHA;
		BlendFuncDst = ONE_MINUS_SRC_ALPHA;
	}
}
