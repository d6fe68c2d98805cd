#define TEXTURED
#define PAIRED
technique Default
{
	pass P0
	{
#include "2d-states.fxh"
		EnableBlending = FALSE;
	}
}
