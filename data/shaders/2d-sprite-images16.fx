#define TEXTURED
#define IMAGES16
technique Default
{
	pass P0
	{
#include "2d-states.fxh"
		EnableBlending = FALSE;
	}
}
