#define TEXTURED
#define IMAGES4
technique Default
{
	pass P0
	{
#include "2d-states.fxh"
		EnableBlending = FALSE;
	}
}
