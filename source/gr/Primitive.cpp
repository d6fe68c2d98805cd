#include <gr/Primitive.h>
#include <cassert>

namespace gr
{

void Primitive::setPerspectiveCorrection(int)
{
}

void Primitive::setOpacity(int)
{
	// No primitive supports opacity; callers must not ask for it.
	assert(false);
}

void Primitive::setWireframeColor(int)
{
}

} // gr
