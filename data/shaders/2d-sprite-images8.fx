#define TEXTURED
#define IMAGES8
technique Default
{
	pass P0
	{
#include "2d-states.fxh"
		EnableBlending = FALSE;
	}
}
